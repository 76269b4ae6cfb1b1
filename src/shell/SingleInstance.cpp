#include "shell/SingleInstance.h"

#include "shell/App.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcessEnvironment>

namespace shell {

namespace {
const QByteArray kActivate = "activate\n";
const QByteArray kDone = "ok\n";

QString userName()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    QString user = env.value(QStringLiteral("USER"), env.value(QStringLiteral("USERNAME")));
    return user.isEmpty() ? QStringLiteral("user") : user;
}
} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}
SingleInstance::~SingleInstance() = default;

QString SingleInstance::ServerName(const QString& title)
{
    // Titles may hold characters a socket name cannot; a hash keeps the name short and safe.
    const QByteArray key = (title + QLatin1Char('\n') + userName()).toUtf8();
    return QStringLiteral("Reelkeeper-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstance::IsRunning(const QString& title, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(title));
    return socket.waitForConnected(timeoutMs);
}

bool SingleInstance::ActivateRunning(const QString& title, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(title));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kActivate);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine() == kDone;
}

bool SingleInstance::Listen(const QString& title)
{
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ServerName(title);
    if (!m_server->listen(name)) {
        // Nobody answered before we got here, so whatever holds the name is left over from a crash.
        if (IsRunning(title, 200))
            return false;
        QLocalServer::removeServer(name);
        if (!m_server->listen(name))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (!peer->canReadLine())
                    return;
                if (peer->readLine() == kActivate) {
                    emit activateRequested();
                    peer->write(kDone);
                    peer->flush();
                }
                peer->disconnectFromServer();
            });
        }
    });
    return true;
}

bool DetectPreviousInstance()
{
    const bool running = SingleInstance::IsRunning(App::Title());
    App::SetPrevInstance(running);
    return running;
}

bool ActivatePreviousInstance()
{
    const QString title = App::Title();
    // Our own socket, if any, must not be the one found.
    App::SetTitle(QStringLiteral("unwanted instance"));
    if (SingleInstance::ActivateRunning(title))
        return true;
    App::SetTitle(title);
    return false;
}

} // namespace shell
