#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QNetworkProxyFactory>
#include <QTcpServer>
#include <QUrl>
#include <map>
#include <utility>

namespace testing {

// Installed for the whole test program: a request to any address but 127.0.0.1 goes to a closed
// port instead and is written down, so a test that sees strays() has tried to leave the machine.
class LocalOnly : public QNetworkProxyFactory
{
public:
    static void install();
    static QStringList& strays();
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override;
};

// A recorded answer.
struct Answer
{
    using Headers = QList<std::pair<QByteArray, QByteArray>>;
    Answer(int status = 200, const QByteArray& body = {}, const Headers& headers = {}, int delayMs = 0,
           int trickleMs = 0)
        : status(status), body(body), headers(headers), delayMs(delayMs), trickleMs(trickleMs)
    {
    }
    int status;
    QByteArray body;
    Headers headers;
    int delayMs;   // before the first byte
    int trickleMs; // between the body's bytes, one at a time
};

struct Received
{
    QString path;
    QHash<QString, QString> query;         // decoded as a web server does: a '+' is a space
    QHash<QByteArray, QByteArray> headers; // names in lower case
    qint64 atMs = 0;                       // since the server started
};

// HTTP/1.1 on 127.0.0.1: each path gives its answers in turn, the last again and again; other
// paths get 404. One request a connection.
class TestServer : public QTcpServer
{
public:
    TestServer();
    QUrl url(const QString& path = QString()) const; // http://127.0.0.1:port/path
    void answer(const QString& path, const QList<Answer>& answers) { m_answers[path] = answers; }
    QList<Received> received;

private:
    void serve(QTcpSocket* socket, const QByteArray& head);
    std::map<QString, QList<Answer>> m_answers;
    QElapsedTimer m_clock;
};

} // namespace testing
