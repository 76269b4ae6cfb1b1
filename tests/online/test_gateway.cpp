// The online gateway against a local server that plays recorded answers.
#include "TestServer.h"
#include "online/Gateway.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

using namespace online;
using testing::Answer;
using testing::LocalOnly;
using Answers = QList<Answer>;
Q_DECLARE_METATYPE(testing::Answer)
Q_DECLARE_METATYPE(Answers)
Q_DECLARE_METATYPE(online::ErrorKind)

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };
// A '+' and a '/' that the encoding must keep; "SECRET" must show nowhere but on the wire.
const QString kKey = S("k3y-SECRET+/42");
QStringList logged;

struct Outcome
{
    std::optional<Response> response;
    std::optional<Error> error;
    qint64 ms = 0;
};

Outcome wait(Reply* reply)
{
    Outcome o;
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(reply, &Reply::finished, &loop, [&](const Response& r) {
        o.response = r;
        loop.quit();
    });
    QObject::connect(reply, &Reply::failed, &loop, [&](const Error& e) {
        o.error = e;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    o.ms = clock.elapsed();
    return o;
}

// Header values "date" and "epoch" become that many seconds from now.
Answers stamped(Answers answers, int seconds)
{
    const QDateTime then = QDateTime::currentDateTimeUtc().addSecs(seconds);
    for (Answer& a : answers)
        for (auto& [name, value] : a.headers)
            if (value == "date")
                value = QLocale::c().toString(then, S("ddd, dd MMM yyyy hh:mm:ss 'GMT'")).toLatin1();
            else if (value == "epoch")
                value = QByteArray::number(then.toSecsSinceEpoch());
    return answers;
}
} // namespace

class TestGateway : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<testing::TestServer> m_server;
    std::unique_ptr<Gateway> m_gw;
    QtMessageHandler m_shown = nullptr;

    QString cacheFile() const { return m_dir.filePath(S("cache/online-cache.sqlite")); }
    static void setting(const char* key, const QVariant& value)
    {
        QSettings(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"))
            .setValue(S("Online tmdb/") + S(key), value);
    }
    // As the program will: the service's defaults, with the settings over them.
    void open(CredentialPlace place = CredentialPlace::QueryParameter)
    {
        ServiceConfig defaults;
        defaults.baseUrl = QUrl(S("https://api.themoviedb.org/3"));
        defaults.credentialPlace = place;
        defaults.requestsPerInterval = 50;
        defaults.transferTimeout = std::chrono::milliseconds(300);
        defaults.longestWait = std::chrono::seconds(5);
        defaults.largestAnswer = 64 * 1024;
        m_gw = std::make_unique<Gateway>(cacheFile());
        m_gw->addService(S("tmdb"), ConfiguredService(S("tmdb"), defaults));
    }
    Reply* ask(const QString& path, std::chrono::milliseconds cacheFor = {})
    {
        return m_gw->get(Request{S("tmdb"), path, {{S("query"), S("C+D & E é")}}, cacheFor});
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        LocalOnly::install();
        // The guard itself: a request elsewhere is stopped and written down.
        QNetworkAccessManager net;
        std::unique_ptr<QNetworkReply> away(net.get(QNetworkRequest(QUrl(S("https://example.org/x")))));
        QTRY_VERIFY(away->isFinished());
        QVERIFY(away->error() != QNetworkReply::NoError);
        QCOMPARE(LocalOnly::strays(), QStringList{S("https://example.org/x")});
    }
    void init()
    {
        LocalOnly::strays().clear();
        logged.clear();
        m_shown =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
        QFile::remove(
            QSettings(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper")).fileName());
        QFile::remove(cacheFile());
        m_server = std::make_unique<testing::TestServer>();
        setting("Base URL", m_server->url(S("3")).toString());
        setting("Key", kKey);
        open();
    }
    void cleanup()
    {
        m_gw.reset();
        m_server.reset();
        qInstallMessageHandler(m_shown);
        QVERIFY2(LocalOnly::strays().isEmpty(), qPrintable(LocalOnly::strays().join(u' ')));
    }

    void answersAndCache_data()
    {
        QTest::addColumn<int>("ttl");
        QTest::addColumn<int>("pause");
        QTest::addColumn<bool>("redirected");
        QTest::addColumn<bool>("damaged");
        QTest::addColumn<bool>("bearer");
        QTest::addColumn<int>("requests");
        QTest::newRow("fresh: from the cache") << 60000 << 0 << false << false << false << 1;
        QTest::newRow("expired: asked again") << 100 << 250 << false << false << false << 2;
        QTest::newRow("not cached: asked again") << 0 << 0 << false << false << false << 2;
        QTest::newRow("damaged cache file replaced") << 60000 << 0 << false << true << false << 1;
        QTest::newRow("redirect on the service followed") << 60000 << 0 << true << false << false << 2;
        QTest::newRow("bearer token, redirected") << 0 << 0 << true << false << true << 4;
    }
    void answersAndCache()
    {
        QFETCH(int, ttl);
        QFETCH(int, pause);
        QFETCH(bool, redirected);
        QFETCH(bool, damaged);
        QFETCH(bool, bearer);
        QFETCH(int, requests);
        m_gw.reset();
        if (damaged) {
            QDir().mkpath(QFileInfo(cacheFile()).path());
            QFile file(cacheFile());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'Z'));
        }
        open(bearer ? CredentialPlace::BearerHeader : CredentialPlace::QueryParameter);
        const QByteArray body = "{\"results\":[{\"id\":603}]}";
        m_server->answer(S("3/search/movie"),
                         {redirected ? Answer{301, {}, {{"Location", "/3/search/film?page=2"}}} : Answer{200, body}});
        m_server->answer(S("3/search/film"), {{200, body}});
        const Outcome first = wait(ask(S("search/movie"), std::chrono::milliseconds(ttl)));
        QTest::qWait(pause);
        const Outcome second = wait(ask(S("search/movie"), std::chrono::milliseconds(ttl)));
        QVERIFY(first.response && second.response);
        QCOMPARE(m_server->received.size(), requests);
        QCOMPARE(second.response->fromCache, ttl > 0 && requests == (redirected ? 2 : 1));
        QCOMPARE(first.response->url.path(), redirected ? S("/3/search/film") : S("/3/search/movie"));
        QCOMPARE(m_server->received[0].query[S("query")], S("C+D & E é"));
        for (const testing::Received& r : m_server->received) {
            QCOMPARE(r.query.value(S("api_key")), bearer ? QString() : kKey);
            QCOMPARE(r.headers.value("authorization"), bearer ? "Bearer " + kKey.toUtf8() : QByteArray());
        }
        Error error;
        QCOMPARE(ParseJson(*second.response, &error)[S("results")][0][S("id")].toInt(), 603);
        QCOMPARE(error.kind, ErrorKind::None);
    }

    void failuresAreToldPlainly_data()
    {
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<ErrorKind>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        const QByteArray key = kKey.toUtf8();
        QTest::newRow("401: wrong key, though the answer repeats it")
            << Answers{{401, "{\"status_message\":\"Invalid API key: " + key + "\"}"}} << ErrorKind::WrongKey
            << S("127.0.0.1 did not accept the key (HTTP 401): check the key in the settings.") << 1;
        QTest::newRow("404") << Answers{{404}} << ErrorKind::NotFound << S("Nothing was found at http://127.0.0.1:")
                             << 1;
        QTest::newRow("503 with the service's message")
            << Answers{{503, "{\"status_message\":\"Down for maintenance\"}"}} << ErrorKind::ServiceError
            << S("127.0.0.1 had a problem answering (HTTP 503): Down for maintenance.") << 1;
        QTest::newRow("500 in HTML naming the key")
            << Answers{{500, "<p>api_key=" + key + "</p>"}} << ErrorKind::ServiceError << S("(HTTP 500).") << 1;
        QTest::newRow("malformed JSON") << Answers{{200, "{\"results\": ["}} << ErrorKind::Malformed
                                        << S("is not valid JSON") << 1;
        QTest::newRow("answer too large")
            << Answers{{200, QByteArray(100000, ' ')}} << ErrorKind::Malformed << S("is larger than 0.0625 MB.") << 1;
        QTest::newRow("redirect to another host")
            << Answers{{302, {}, {{"Location", "https://example.org/steal?api_key=" + key}}}}
            << ErrorKind::RefusedRedirect << S("was redirected to https://example.org/steal, which was not followed")
            << 1;
        QTest::newRow("redirect loop") << Answers{{302, {}, {{"Location", "/3/movie/603"}}}}
                                       << ErrorKind::RefusedRedirect << S("redirected more than 5 times") << 6;
        QTest::newRow("429 for an hour") << Answers{{429, {}, {{"Retry-After", "3600"}}}} << ErrorKind::RateLimited
                                         << S("127.0.0.1 asks to wait 3600 seconds") << 1;
        QTest::newRow("429 until an hour from now")
            << Answers{{429, {}, {{"Retry-After", "date"}}}} << ErrorKind::RateLimited << S("asks to wait") << 1;
        QTest::newRow("429 again and again")
            << Answers{{429, {}, {{"Retry-After", "0"}}}} << ErrorKind::RateLimited << S("keeps refusing") << 4;
        QTest::newRow("no bytes in time")
            << Answers{{200, "{}", {}, 1500}} << ErrorKind::TimedOut << S("timed out") << 1;
        QTest::newRow("nothing listening")
            << Answers{} << ErrorKind::NoNetwork << S("127.0.0.1 could not be reached: Connection refused.") << 0;
    }
    void failuresAreToldPlainly()
    {
        QFETCH(Answers, answers);
        QFETCH(ErrorKind, kind);
        QFETCH(QString, text);
        QFETCH(int, requests);
        if (answers.isEmpty())
            m_server->close();
        m_server->answer(S("3/movie/603"), stamped(answers, 3600));
        QPointer<Reply> reply = ask(S("movie/603"), std::chrono::minutes(1));
        const QUrl asked = reply->url();
        const Outcome o = wait(reply);
        Error error = o.error.value_or(Error{});
        if (o.response)
            ParseJson(*o.response, &error);
        QCOMPARE(error.kind, kind);
        QVERIFY2(error.message.contains(text), qPrintable(error.message));
        QVERIFY(o.ms < 1000); // neither the server's delay nor its hour is waited for
        QCOMPARE(m_server->received.size(), requests);
        for (const testing::Received& r : m_server->received)
            QCOMPARE(r.query.value(S("api_key")), kKey);
        QFile cache(cacheFile());
        QVERIFY(cache.open(QIODevice::ReadOnly));
        const QByteArray stored = cache.readAll();
        const QString everything = error.message + asked.toString() + logged.join(u'\n') +
                                   QString::fromLatin1(stored + QByteArray::fromPercentEncoding(stored));
        QVERIFY2(!everything.contains(S("SECRET")), qPrintable(everything));
    }

    void waitsAsTheServiceAsks_data()
    {
        QTest::addColumn<Answers>("answers");
        QTest::newRow("Retry-After in seconds") << Answers{{429, {}, {{"Retry-After", "1"}}}, {200, "{}"}};
        QTest::newRow("X-RateLimit-Remaining 0")
            << Answers{{200, "{}", {{"X-RateLimit-Remaining", "0"}, {"X-RateLimit-Reset", "epoch"}}}, {200, "{}"}};
    }
    void waitsAsTheServiceAsks()
    {
        QFETCH(Answers, answers);
        m_server->answer(S("3/movie/603"), stamped(answers, 2));
        QSignalSpy told(m_gw.get(), &Gateway::waiting);
        QVERIFY(wait(ask(S("movie/603"))).response);
        QVERIFY(wait(ask(S("movie/603"))).response);
        QCOMPARE(told.size(), 1);
        QVERIFY2(told[0][0].toString().contains(QRegularExpression(S("asks to wait [12] seconds? before"))),
                 qPrintable(told[0][0].toString()));
        QCOMPARE(m_server->received.size(), answers.size() + (answers[0].status == 429 ? 1 : 0));
        const qint64 gap = m_server->received[1].atMs - m_server->received[0].atMs;
        QVERIFY2(gap >= 900 && gap < 2500, qPrintable(QString::number(gap)));
    }

    void rateLimitSpacesRequests_data()
    {
        QTest::addColumn<int>("perInterval");
        QTest::addColumn<int>("interval");
        QTest::newRow("2 per 300 ms") << 2 << 300;
        QTest::newRow("1 per 150 ms") << 1 << 150;
    }
    void rateLimitSpacesRequests()
    {
        QFETCH(int, perInterval);
        QFETCH(int, interval);
        setting("Requests", perInterval);
        setting("Interval ms", interval);
        open();
        m_server->answer(S("3/movie/603"), {{200, "{}"}});
        int done = 0;
        for (int i = 0; i < 5; ++i)
            connect(ask(S("movie/603")), &Reply::finished, this, [&] { ++done; });
        QTRY_COMPARE(done, 5);
        const auto& got = m_server->received;
        for (qsizetype i = perInterval; i < got.size(); ++i)
            // Measured on arrival, which a busy machine may delay by some milliseconds.
            QVERIFY2(got[i].atMs - got[i - perInterval].atMs >= interval * 2 / 3, qPrintable(QString::number(i)));
        QVERIFY(got.last().atMs - got.first().atMs < (4 / perInterval + 1) * interval);
    }

    void slowAnswersAndCancel_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<bool>("queued");
        QTest::addColumn<ErrorKind>("kind");
        QTest::newRow("slow but steady: not timed out")
            << Answer{200, "[1,2,3,4,5]", {}, 0, 60} << -1 << false << ErrorKind::None;
        QTest::newRow("cancelled while awaited") << Answer{200, "{}", {}, 250} << 100 << false << ErrorKind::Cancelled;
        QTest::newRow("cancelled while queued") << Answer{200, "{}"} << 100 << true << ErrorKind::Cancelled;
    }
    void slowAnswersAndCancel()
    {
        QFETCH(Answer, answer);
        QFETCH(int, cancelAt);
        QFETCH(bool, queued);
        QFETCH(ErrorKind, kind);
        setting("Requests", 1);
        setting("Interval ms", 5000);
        open();
        m_server->answer(S("3/movie/603"), {answer});
        QPointer<Reply> reply = ask(S("movie/603"));
        if (queued)
            reply = ask(S("movie/603"));
        int finished = 0;
        connect(reply, &Reply::finished, this, [&] { ++finished; });
        if (cancelAt >= 0)
            QTimer::singleShot(cancelAt, reply, &Reply::cancel);
        const Outcome o = wait(reply);
        QCOMPARE(o.error.value_or(Error{}).kind, kind);
        QTest::qWait(300); // the server's late answer goes nowhere
        QCOMPARE(finished, kind == ErrorKind::None ? 1 : 0);
        QCOMPARE(m_server->received.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestGateway)
#include "test_gateway.moc"
