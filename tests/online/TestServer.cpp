#include "TestServer.h"

#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>

namespace testing {

void LocalOnly::install()
{
    QNetworkProxyFactory::setApplicationProxyFactory(new LocalOnly);
}

QStringList& LocalOnly::strays()
{
    static QStringList urls;
    return urls;
}

QList<QNetworkProxy> LocalOnly::queryProxy(const QNetworkProxyQuery& query)
{
    // Qt asks for no proxy for loopback addresses; whatever comes here would leave the machine.
    if (query.peerHostName() == QStringLiteral("127.0.0.1"))
        return {QNetworkProxy::NoProxy};
    strays() << query.url().toString();
    return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), 1)};
}

TestServer::TestServer()
{
    m_clock.start();
    listen(QHostAddress::LocalHost);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                // Only GETs come: the request ends with its headers.
                if (socket->property("served").toBool() || !socket->peek(64 * 1024).contains("\r\n\r\n"))
                    return;
                socket->setProperty("served", true);
                serve(socket, socket->readAll());
            });
        }
    });
}

QUrl TestServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(serverPort()).arg(path));
}

void TestServer::serve(QTcpSocket* socket, const QByteArray& head)
{
    const QList<QByteArray> lines = head.left(head.indexOf("\r\n\r\n")).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QByteArray target = requestLine.value(1);
    Received r;
    r.atMs = m_clock.elapsed();
    // A target without a query is all path: left(-1) would give nothing.
    r.path = QUrl::fromPercentEncoding(target.left(target.contains('?') ? target.indexOf('?') : target.size()).mid(1));
    if (target.contains('?'))
        for (QByteArray pair : target.mid(target.indexOf('?') + 1).split('&')) {
            pair.replace('+', ' ');
            const qsizetype eq = pair.indexOf('=');
            r.query[QUrl::fromPercentEncoding(pair.left(eq))] = QUrl::fromPercentEncoding(pair.mid(eq + 1));
        }
    for (const QByteArray& line : lines.mid(1))
        if (const qsizetype colon = line.indexOf(':'); colon > 0)
            r.headers[line.left(colon).trimmed().toLower()] = line.mid(colon + 1).trimmed();
    received << r;

    Answer a{404, R"({"status_message":"The resource you requested could not be found."})"};
    if (auto it = m_answers.find(r.path); it != m_answers.end() && !it->second.isEmpty())
        a = it->second.size() > 1 ? it->second.takeFirst() : it->second.first();
    QTimer::singleShot(a.delayMs, socket, [socket, a] {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " Answer\r\nConnection: close\r\n" +
                         "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        for (const auto& [name, value] : a.headers)
            out += name + ": " + value + "\r\n";
        socket->write(out + "\r\n");
        if (a.trickleMs <= 0) {
            socket->write(a.body);
            socket->disconnectFromHost();
            return;
        }
        auto* drip = new QTimer(socket);
        QObject::connect(drip, &QTimer::timeout, socket, [socket, drip, body = a.body, sent = qsizetype(0)]() mutable {
            if (sent < body.size()) {
                socket->write(body.mid(sent++, 1));
            } else {
                drip->stop();
                socket->disconnectFromHost();
            }
        });
        drip->start(a.trickleMs);
    });
}

} // namespace testing
