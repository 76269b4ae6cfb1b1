#pragma once

// The one way the program talks to online services: asynchronous, on the window's thread, with a
// time-out, Cancel, a rate limit per service, a response cache and the user's key kept to itself.

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <map>
#include <memory>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace online {

class ResponseCache;

// What went wrong, in kinds a window can tell in one sentence.
enum class ErrorKind {
    None,
    NoNetwork,       // the host could not be reached (no connection, no such host, refused, TLS failed)
    TimedOut,        // nothing came for the service's transfer time-out
    RefusedRedirect, // sent elsewhere than https on the service's own host, or too many times
    WrongKey,        // 401 or 403
    NotFound,        // 404
    RateLimited,     // the service asked to wait longer than the gateway waits, or kept refusing
    ServiceError,    // 5xx and other refusals, with the service's own message when its JSON gives one
    Malformed,       // an answer too large, or not the JSON it should be
    Cancelled,
};

struct Error
{
    ErrorKind kind = ErrorKind::None;
    QString message;    // one plain sentence; never holds the key, and addresses in it have it removed
    int httpStatus = 0; // 0 when no answer came
};

// Where a service wants its credential.
enum class CredentialPlace { None, QueryParameter, BearerHeader };

// One service as the gateway talks to it.
struct ServiceConfig
{
    QUrl baseUrl; // "https://api.themoviedb.org/3"; requests name paths below it
    CredentialPlace credentialPlace = CredentialPlace::None;
    QString credentialName = QStringLiteral("api_key"); // the query parameter's name
    QString credential;                                 // the key or token: added at send time and never shown
    // At most this many requests start in any interval; the rest wait in a queue.
    int requestsPerInterval = 4;
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds transferTimeout{20000}; // no bytes for this long: timed out
    // A service that asks to wait (429 Retry-After, X-RateLimit-*) is waited for up to this long,
    // and a refused request is sent again at most retriesAfter429 times; past either it fails.
    std::chrono::milliseconds longestWait{30000};
    int retriesAfter429 = 3;
    qsizetype largestAnswer = 8 * 1024 * 1024;
};

// The service's defaults overridden by the user's settings: the section "Online <name>" of the
// program's settings file holds "Base URL" (https, or http on 127.0.0.1 for tests), "Key",
// "Requests", "Interval ms" and "Time-out s".
ServiceConfig ConfiguredService(const QString& name, ServiceConfig defaults,
                                const QString& appName = QStringLiteral("Reelkeeper"));

struct Request
{
    QString service; // a name given to Gateway::addService
    QString path;    // below the base address: "search/movie", "movie/603"
    // Names and plain values (not encoded); the gateway encodes them, so a "+" stays a plus.
    QList<std::pair<QString, QString>> query;
    // 0: neither read from nor written to the cache. A fresh cached answer is given without a request.
    std::chrono::milliseconds cacheFor{0};
};

struct Response
{
    int status = 0;
    QByteArray body;
    QUrl url; // where the answer came from, without the key
    bool fromCache = false;
};

// One request's outcome: exactly one of finished and failed is emitted, always from the event loop
// (never inside a call to the gateway), and the reply deletes itself afterwards. Keep it in a
// QPointer to cancel it.
class Reply : public QObject
{
    Q_OBJECT
public:
    // Ends the request at once: no more bytes are taken, and failed(Cancelled) follows. Nothing
    // when the reply has already ended.
    void cancel();
    QUrl url() const { return m_url; } // what is asked for, without the key

signals:
    void finished(const online::Response& response);
    void failed(const online::Error& error);

private:
    friend class Gateway;
    Reply(const Request& request, const QUrl& url, QObject* parent);
    void finish(const Response& response);
    void fail(ErrorKind kind, const QString& message, int status = 0);
    void endTransfer(); // lets go of the network reply without hearing from it again

    Request m_request;
    QUrl m_url;
    QString m_cacheKey;
    QNetworkReply* m_net = nullptr;
    QTimer* m_idle = nullptr;
    QByteArray m_body;
    int m_redirects = 0;
    int m_refusals = 0; // 429s so far
    bool m_done = false;
};

class Gateway : public QObject
{
    Q_OBJECT
public:
    // The cache file is made when missing and replaced when damaged; without a usable one the
    // gateway works uncached.
    explicit Gateway(const QString& cacheFile = DefaultCacheFile(), QObject* parent = nullptr);
    // Ends every open request without a signal.
    ~Gateway() override;

    // "online-cache.sqlite" in the user's cache folder.
    static QString DefaultCacheFile();

    void addService(const QString& name, const ServiceConfig& config);

    // Starts a GET (or answers it from the cache). An unknown service fails like any request.
    Reply* get(const Request& request);

    // Every open or queued request fails as Cancelled.
    void cancelAll();

signals:
    // Requests are held back a second or more because the service asked to wait (429 with
    // Retry-After, a spent allowance): said once a wait, so a window need not look stuck meanwhile.
    void waiting(const QString& message);

private:
    struct Service;

    void pump(Service& service);
    void send(Service& service, Reply* reply);
    void received(Service& service, Reply* reply);
    void retryLater(Service& service, Reply* reply, qint64 waitMs);
    void redirect(Service& service, Reply* reply, const QNetworkReply& net);
    void noteLimits(Service& service, const QNetworkReply& net);

    QNetworkAccessManager* m_net;
    std::unique_ptr<ResponseCache> m_cache;
    std::map<QString, std::unique_ptr<Service>> m_services;
};

// The answer's JSON document (an object or an array). A body larger than the limit, empty or not
// JSON gives an empty document and a Malformed error naming the address.
QJsonDocument ParseJson(const Response& response, Error* error, qsizetype limit = 4 * 1024 * 1024);

} // namespace online

Q_DECLARE_METATYPE(online::Response)
Q_DECLARE_METATYPE(online::Error)
