#include "online/Gateway.h"

#include "online/ResponseCache.h"
#include "shell/Wording.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QUrlQuery>
#include <algorithm>
#include <deque>

namespace online {

Q_LOGGING_CATEGORY(lcOnline, "reelkeeper.online")

namespace {

constexpr int kMostRedirects = 5;
// Waits beyond this many seconds are all "too long"; as a moment, anything larger is since 1970.
constexpr qint64 kFarSeconds = 1'000'000'000;

// Rate limits and waits run on the monotonic clock: a clock set back must not stall requests.
qint64 now()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.elapsed();
}

QString seconds(qint64 ms)
{
    return shell::Counted((std::max<qint64>(ms, 0) + 999) / 1000, "second", "seconds");
}

QString shown(const QUrl& url)
{
    return url.toDisplayString();
}

// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") or a number of seconds, as milliseconds from now; -1 when neither.
qint64 waitFrom(const QByteArray& value)
{
    const QString text = QString::fromLatin1(value).trimmed();
    if (text.isEmpty())
        return -1;
    bool isNumber = false;
    const qint64 count = text.toLongLong(&isNumber);
    if (isNumber)
        return count < 0 ? -1 : std::min<qint64>(count, kFarSeconds) * 1000;
    QString date = text;
    if (date.endsWith(QStringLiteral(" GMT")))
        date = date.chopped(4) + QStringLiteral(" +0000"); // the only zone HTTP dates use, which Qt does not read
    const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
    return when.isValid() ? std::max<qint64>(QDateTime::currentDateTimeUtc().msecsTo(when), 0) : -1;
}

// The reset of X-RateLimit-Reset: seconds from now, or the moment in seconds since 1970 when large.
qint64 resetFrom(const QByteArray& value)
{
    bool ok = false;
    const qint64 reset = std::min<qint64>(value.trimmed().toLongLong(&ok), 100 * kFarSeconds);
    if (!ok || reset < 0)
        return -1;
    if (reset > kFarSeconds)
        return std::max<qint64>(reset * 1000 - QDateTime::currentMSecsSinceEpoch(), 0);
    return reset * 1000;
}

QByteArray header(const QNetworkReply& net, const QByteArray& name)
{
    return net.rawHeader(name).trimmed();
}

// The service's own words about a refusal, from the usual places in its JSON.
QString serviceMessage(const QByteArray& body)
{
    const QJsonObject o = QJsonDocument::fromJson(body.left(64 * 1024)).object();
    QString text;
    for (const char* name : {"status_message", "message", "error_description", "error"}) {
        const QJsonValue v = o.value(QLatin1String(name));
        text = v.isObject() ? v.toObject().value(QStringLiteral("message")).toString() : v.toString();
        if (!text.isEmpty())
            break;
    }
    if (text.isEmpty())
        text = o.value(QStringLiteral("errors")).toArray().first().toString();
    text = text.simplified();
    return text.size() > 200 ? text.left(199) + QChar(0x2026) : text;
}

bool isLocalTestHost(const QString& host)
{
    return QHostAddress(host) == QHostAddress(QHostAddress::LocalHost);
}

} // namespace

struct Gateway::Service
{
    ServiceConfig config;
    std::deque<QPointer<Reply>> queue;
    std::deque<qint64> starts; // when recent requests went out
    qint64 blockedUntil = 0;   // the service asked to wait until then
    qint64 toldUntil = 0;      // the wait already said
    QTimer wake;

    QString host() const { return config.baseUrl.host(); }

    // Text from outside (a server's message, Qt's error text, an address it sent) without the key,
    // however an address in it was encoded.
    QString clean(QString text) const
    {
        const QString& key = config.credential;
        if (key.isEmpty())
            return text;
        QUrl probe;
        probe.setQuery(QString::fromLatin1(QUrl::toPercentEncoding(key)), QUrl::StrictMode);
        for (const QString& form :
             {key, probe.query(QUrl::FullyEncoded), probe.query(QUrl::PrettyDecoded), probe.query(QUrl::FullyDecoded)})
            text.replace(form, QStringLiteral("(key)"));
        return text;
    }

    QUrl withoutKey(QUrl url) const
    {
        if (config.credentialPlace == CredentialPlace::QueryParameter) {
            QUrlQuery q(url);
            q.removeAllQueryItems(config.credentialName);
            url.setQuery(q.isEmpty() ? QString() : q.query(QUrl::FullyEncoded), QUrl::StrictMode);
        }
        return url;
    }
};

ServiceConfig ConfiguredService(const QString& name, ServiceConfig defaults, const QString& appName)
{
    // The program's own settings file, as shell::GetSetting reads it.
    QSettings s(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    s.beginGroup(QStringLiteral("Online ") + name);
    // Plain http would carry the key in the clear; only a test's local server may have it.
    const QUrl base(s.value(QStringLiteral("Base URL")).toString().trimmed(), QUrl::StrictMode);
    if (base.isValid() && (base.scheme() == QStringLiteral("https") ||
                           (base.scheme() == QStringLiteral("http") && isLocalTestHost(base.host()))))
        defaults.baseUrl = base;
    if (const QString key = s.value(QStringLiteral("Key")).toString().trimmed(); !key.isEmpty())
        defaults.credential = key;
    auto number = [&](const char* key, auto& target, auto make) {
        bool ok = false;
        const int n = s.value(QLatin1String(key)).toInt(&ok);
        if (ok && n > 0)
            target = make(n);
    };
    number("Requests", defaults.requestsPerInterval, [](int n) { return n; });
    number("Interval ms", defaults.interval, [](int n) { return std::chrono::milliseconds(n); });
    number("Time-out s", defaults.transferTimeout, [](int n) { return std::chrono::seconds(n); });
    return defaults;
}

Reply::Reply(const Request& request, const QUrl& url, QObject* parent)
    : QObject(parent), m_request(request), m_url(url), m_idle(new QTimer(this))
{
    m_idle->setSingleShot(true);
}

void Reply::cancel()
{
    if (m_done)
        return;
    endTransfer();
    fail(ErrorKind::Cancelled, QStringLiteral("The request to %1 was cancelled.").arg(shown(m_url)));
}

void Reply::endTransfer()
{
    m_idle->stop();
    if (QNetworkReply* net = std::exchange(m_net, nullptr)) {
        QObject::disconnect(net, nullptr, this, nullptr);
        net->abort();
        net->deleteLater();
    }
}

void Reply::finish(const Response& response)
{
    if (m_done)
        return;
    m_done = true;
    // From the event loop: a window's handler may ask again, or close the window, with nothing of
    // the gateway's still running beneath it.
    QTimer::singleShot(0, this, [this, response] {
        emit finished(response);
        deleteLater();
    });
}

void Reply::fail(ErrorKind kind, const QString& message, int status)
{
    if (m_done)
        return;
    m_done = true;
    qCDebug(lcOnline) << "failed:" << message;
    QTimer::singleShot(0, this, [this, error = Error{kind, message, status}] {
        emit failed(error);
        deleteLater();
    });
}

Gateway::Gateway(const QString& cacheFile, QObject* parent)
    : QObject(parent), m_net(new QNetworkAccessManager(this)), m_cache(std::make_unique<ResponseCache>(cacheFile))
{
    qRegisterMetaType<online::Response>();
    qRegisterMetaType<online::Error>();
    // Redirects are judged here, one by one.
    m_net->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

Gateway::~Gateway()
{
    for (Reply* reply : findChildren<Reply*>(Qt::FindDirectChildrenOnly)) {
        reply->endTransfer();
        reply->m_done = true;
    }
}

QString Gateway::DefaultCacheFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/online-cache.sqlite");
}

void Gateway::addService(const QString& name, const ServiceConfig& config)
{
    auto& service = m_services[name];
    if (!service) {
        service = std::make_unique<Service>();
        service->wake.setSingleShot(true);
        connect(&service->wake, &QTimer::timeout, this, [this, s = service.get()] { pump(*s); });
    }
    service->config = config;
    service->config.requestsPerInterval = std::max(config.requestsPerInterval, 1);
}

Reply* Gateway::get(const Request& request)
{
    const auto found = m_services.find(request.service);
    Service* service = found == m_services.end() ? nullptr : found->second.get();
    QUrl url;
    if (service) {
        url = service->config.baseUrl;
        QString path = url.path();
        if (!path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        url.setPath(path + request.path.mid(request.path.startsWith(QLatin1Char('/')) ? 1 : 0));
        QStringList items;
        for (const auto& [name, value] : request.query)
            items << QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
        url.setQuery(items.isEmpty() ? QString() : items.join(QLatin1Char('&')), QUrl::StrictMode);
    }
    auto* reply = new Reply(request, url, this);
    if (!service) {
        reply->fail(ErrorKind::ServiceError, QStringLiteral("No online service is named \"%1\".").arg(request.service));
        return reply;
    }
    reply->m_cacheKey = QStringLiteral("GET ") + url.toString(QUrl::FullyEncoded);
    if (request.cacheFor.count() > 0) {
        if (const auto body = m_cache->find(reply->m_cacheKey)) {
            qCDebug(lcOnline) << "from the cache:" << shown(url);
            reply->finish(Response{200, *body, url, true});
            return reply;
        }
    }
    service->queue.emplace_back(reply);
    service->toldUntil = 0; // a new request's window hears of the wait too
    pump(*service);
    return reply;
}

void Gateway::cancelAll()
{
    for (Reply* reply : findChildren<Reply*>(Qt::FindDirectChildrenOnly))
        reply->cancel();
}

void Gateway::pump(Service& service)
{
    service.wake.stop();
    const ServiceConfig& c = service.config;
    while (!service.queue.empty()) {
        Reply* next = service.queue.front();
        if (!next || next->m_done) {
            service.queue.pop_front();
            continue;
        }
        const qint64 t = now();
        while (!service.starts.empty() && service.starts.front() <= t - c.interval.count())
            service.starts.pop_front();
        qint64 at = service.blockedUntil;
        if (qsizetype(service.starts.size()) >= c.requestsPerInterval)
            at = std::max(at, service.starts.front() + c.interval.count());
        if (at <= t) {
            service.queue.pop_front();
            send(service, next);
            continue;
        }
        if (service.blockedUntil - t > c.longestWait.count()) {
            const QString message = QStringLiteral("%1 asks to wait %2 before the next request; try again later.")
                                        .arg(service.host(), seconds(service.blockedUntil - t));
            for (const QPointer<Reply>& r : std::exchange(service.queue, {}))
                if (r)
                    r->fail(ErrorKind::RateLimited, message, 429);
            return;
        }
        if (service.blockedUntil - t >= 1000 && service.toldUntil != service.blockedUntil) {
            service.toldUntil = service.blockedUntil;
            emit waiting(QStringLiteral("%1 asks to wait %2 before the next request; it goes on then.")
                             .arg(service.host(), seconds(service.blockedUntil - t)));
        }
        service.wake.start(int(std::min<qint64>(at - t, std::numeric_limits<int>::max())));
        return;
    }
}

void Gateway::send(Service& service, Reply* reply)
{
    const ServiceConfig& c = service.config;
    reply->m_body.clear();
    service.starts.push_back(now());
    QUrl wire = reply->m_url;
    QNetworkRequest request;
    if (c.credentialPlace == CredentialPlace::QueryParameter && !c.credential.isEmpty()) {
        const QString query = wire.query(QUrl::FullyEncoded);
        wire.setQuery((query.isEmpty() ? QString() : query + QLatin1Char('&')) +
                          QString::fromLatin1(QUrl::toPercentEncoding(c.credentialName) + '=' +
                                              QUrl::toPercentEncoding(c.credential)),
                      QUrl::StrictMode);
    } else if (c.credentialPlace == CredentialPlace::BearerHeader && !c.credential.isEmpty()) {
        request.setRawHeader("Authorization", "Bearer " + c.credential.toUtf8());
    }
    request.setUrl(wire);
    request.setRawHeader("Accept", "application/json");
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Reelkeeper/" REELKEEPER_VERSION));
    qCDebug(lcOnline) << "GET" << shown(reply->m_url);

    QNetworkReply* net = m_net->get(request);
    reply->m_net = net;
    // Any byte from the service, headers included, shows the transfer is alive.
    connect(net, &QNetworkReply::metaDataChanged, reply, [reply] { reply->m_idle->start(); });
    connect(net, &QNetworkReply::readyRead, reply, [reply, net, limit = c.largestAnswer] {
        reply->m_body += net->readAll();
        reply->m_idle->start();
        if (reply->m_body.size() > limit) {
            reply->endTransfer();
            reply->fail(ErrorKind::Malformed, QStringLiteral("The answer from %1 is larger than %2 MB.")
                                                  .arg(shown(reply->m_url))
                                                  .arg(double(limit) / (1024 * 1024), 0, 'g', 3));
        }
    });
    connect(net, &QNetworkReply::finished, reply, [this, &service, reply] { received(service, reply); });
    reply->m_idle->disconnect();
    connect(reply->m_idle, &QTimer::timeout, reply, [reply] {
        reply->endTransfer();
        reply->fail(ErrorKind::TimedOut, QStringLiteral("The request to %1 timed out.").arg(shown(reply->m_url)));
    });
    reply->m_idle->start(int(c.transferTimeout.count()));
}

void Gateway::received(Service& service, Reply* reply)
{
    QNetworkReply& net = *reply->m_net;
    reply->m_body += net.readAll();
    QObject::disconnect(&net, nullptr, reply, nullptr);
    reply->m_net = nullptr;
    reply->m_idle->stop();
    net.deleteLater();

    noteLimits(service, net);
    const int status = net.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const int code = int(net.error());
    const QString at = shown(reply->m_url);
    // Network and proxy failures come below 200; higher codes only restate the HTTP status.
    if ((code > 0 && code < 200) || status == 0) {
        reply->fail(
            ErrorKind::NoNetwork,
            QStringLiteral("%1 could not be reached: %2.").arg(service.host(), service.clean(net.errorString())));
    } else if (status >= 300 && status < 400 && net.hasRawHeader("Location")) {
        redirect(service, reply, net);
    } else if (status == 429) {
        qint64 wait = waitFrom(header(net, "Retry-After"));
        if (wait < 0)
            wait =
                service.blockedUntil > now() ? service.blockedUntil - now() : 1000LL << std::min(reply->m_refusals, 10);
        retryLater(service, reply, wait);
    } else if (status >= 200 && status < 300) {
        if (reply->m_request.cacheFor.count() > 0)
            m_cache->store(reply->m_cacheKey, reply->m_body, reply->m_request.cacheFor);
        reply->finish(Response{status, reply->m_body, reply->m_url, false});
    } else if (status == 401 || status == 403) {
        reply->fail(ErrorKind::WrongKey,
                    QStringLiteral("%1 did not accept the key (HTTP %2): check the key in the settings.")
                        .arg(service.host())
                        .arg(status),
                    status);
    } else if (status == 404) {
        reply->fail(ErrorKind::NotFound, QStringLiteral("Nothing was found at %1.").arg(at), status);
    } else {
        QString text = (status >= 500 ? QStringLiteral("%1 had a problem answering (HTTP %2)")
                                      : QStringLiteral("%1 refused the request (HTTP %2)"))
                           .arg(service.host())
                           .arg(status);
        if (const QString own = service.clean(serviceMessage(reply->m_body)); !own.isEmpty())
            text += QStringLiteral(": ") + own;
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        reply->fail(ErrorKind::ServiceError, text, status);
    }
    pump(service);
}

void Gateway::redirect(Service& service, Reply* reply, const QNetworkReply& net)
{
    const QUrl target = service.withoutKey(reply->m_url.resolved(QUrl::fromEncoded(header(net, "Location"))));
    const bool sameHost = target.host().compare(service.host(), Qt::CaseInsensitive) == 0;
    const bool safe = target.scheme() == QStringLiteral("https") ||
                      (target.scheme() == QStringLiteral("http") && isLocalTestHost(target.host()));
    if (++reply->m_redirects > kMostRedirects) {
        reply->fail(ErrorKind::RefusedRedirect,
                    QStringLiteral("%1 was redirected more than %2 times; the redirects were not followed.")
                        .arg(shown(reply->m_url))
                        .arg(kMostRedirects));
    } else if (!sameHost || !safe || !target.isValid()) {
        reply->fail(ErrorKind::RefusedRedirect,
                    QStringLiteral("%1 was redirected to %2, which was not followed: only %3 over https is trusted.")
                        .arg(shown(reply->m_url), service.clean(shown(target)), service.host()));
    } else {
        reply->m_url = target;
        service.queue.emplace_front(reply);
    }
}

void Gateway::retryLater(Service& service, Reply* reply, qint64 waitMs)
{
    // Honoured for every request to the service, so none bothers it before the time it gave.
    service.blockedUntil = std::max(service.blockedUntil, now() + waitMs);
    if (++reply->m_refusals > service.config.retriesAfter429) {
        reply->fail(ErrorKind::RateLimited,
                    QStringLiteral("%1 keeps refusing requests as too many; try again later.").arg(service.host()),
                    429);
    } else {
        // pump() sends it once the wait is over, or fails it when the wait is too long.
        service.queue.emplace_front(reply);
    }
}

void Gateway::noteLimits(Service& service, const QNetworkReply& net)
{
    for (const char* prefix : {"X-RateLimit-", "RateLimit-"}) {
        if (header(net, prefix + QByteArray("Remaining")) != "0")
            continue;
        const qint64 wait = resetFrom(header(net, prefix + QByteArray("Reset")));
        if (wait >= 0)
            service.blockedUntil = std::max(service.blockedUntil, now() + wait);
    }
}

QJsonDocument ParseJson(const Response& response, Error* error, qsizetype limit)
{
    auto malformed = [&](const QString& why) {
        if (error)
            *error = Error{ErrorKind::Malformed, QStringLiteral("The answer from %1 %2.").arg(shown(response.url), why),
                           response.status};
        return QJsonDocument();
    };
    if (response.body.size() > limit)
        return malformed(QStringLiteral("is too large to read"));
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(response.body, &parse);
    if (parse.error != QJsonParseError::NoError || doc.isNull())
        return malformed(
            response.body.trimmed().isEmpty()
                ? QStringLiteral("is empty")
                : QStringLiteral("is not valid JSON (%1 at byte %2)").arg(parse.errorString()).arg(parse.offset));
    if (error)
        *error = Error{};
    return doc;
}

} // namespace online
