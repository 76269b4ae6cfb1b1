#include "shell/SingleInstance.h"

#include "shell/App.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {
const QByteArray kActivate = "activate\n";
const QByteArray kDone = "ok\n";
// What a connection may cost the running instance: one short line, within a short time.
constexpr qint64 kMaxLine = 64;
constexpr int kPeerTimeoutMs = 2000;

SingleInstance* g_instance = nullptr; // the claim of this run, for ActivatePreviousInstance

bool isPrivateFolder(const QString& path)
{
    struct stat st = {};
    return QDir::isAbsolutePath(path) && ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}
} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance()
{
    if (g_instance == this)
        g_instance = nullptr;
}

QString SingleInstance::Folder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return runtime;
    // One per machine, as a home folder may be shared between machines.
    const QString own = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        QStringLiteral("/Reelkeeper-") + QSysInfo::machineHostName();
    QDir().mkpath(own);
    struct stat st = {};
    const QByteArray native = QFile::encodeName(own);
    if (::stat(native.constData(), &st) == 0 && st.st_uid == ::geteuid())
        ::chmod(native.constData(), 0700);
    return isPrivateFolder(own) ? own : QString();
}

QString SingleInstance::ServerName(const QString& title)
{
    const QString folder = Folder();
    if (folder.isEmpty())
        return QString();
    // Titles may hold characters a socket name cannot; a hash keeps the name short and safe.
    return folder + QStringLiteral("/Reelkeeper-") +
           QString::fromLatin1(QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

bool SingleInstance::Claim(const QString& title)
{
    delete m_server;
    m_server = nullptr;
    m_lock.reset();
    const QString name = ServerName(title);
    if (name.isEmpty())
        return true;
    auto lock = std::make_unique<QLockFile>(name + QStringLiteral(".lock"));
    // A live holder keeps the lock however long it runs; the lock of one that died is taken over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError)
            return true;
        // A lock that names no holder (a start killed while writing it) would turn every start away.
        // Removal fails while a live holder keeps its file lock.
        qint64 pid = 0;
        QString host, app;
        if (lock->getLockInfo(&pid, &host, &app) || !lock->removeStaleLockFile() || !lock->tryLock(0))
            return false;
    }
    m_lock = std::move(lock);

    // We hold the lock, so whatever lies at the socket's name is left over.
    QLocalServer::removeServer(name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name))
        return true; // a later start still finds the lock and ends; it cannot call us forward
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            peer->setReadBufferSize(kMaxLine);
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] { answer(peer); });
            QTimer::singleShot(kPeerTimeoutMs, peer, [peer] {
                peer->abort();
                peer->deleteLater();
            });
        }
    });
    return true;
}

void SingleInstance::answer(QLocalSocket* peer)
{
    if (!peer->canReadLine()) {
        if (peer->bytesAvailable() >= kMaxLine) {
            peer->abort();
            peer->deleteLater();
        }
        return;
    }
    if (peer->readLine(kMaxLine + 1) == kActivate) {
        emit activateRequested();
        peer->write(kDone);
        peer->flush();
    }
    peer->disconnectFromServer();
}

bool SingleInstance::HandOver(const QString& title, int timeoutMs)
{
    const QString name = ServerName(title);
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(int(qMin<qint64>(deadline.remainingTime(), 500)))) {
            socket.write(kActivate);
            socket.waitForBytesWritten(int(deadline.remainingTime()));
            // The answer is a courtesy: a holder busy with a long report comes forward once free.
            while (!socket.canReadLine() && socket.waitForReadyRead(int(deadline.remainingTime()))) {
            }
            return true;
        }
        // Between the holder's lock and its socket, or the holder just ended.
        if (Claim(title))
            return false;
        if (deadline.hasExpired())
            return true;
        QThread::msleep(50);
    }
}

void BringForward(QWidget* window)
{
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
}

bool DetectPreviousInstance(SingleInstance& instance)
{
    g_instance = &instance;
    const bool running = !instance.Claim(App::Title());
    App::SetPrevInstance(running);
    return running;
}

bool ActivatePreviousInstance()
{
    const QString title = App::Title();
    // Asked under another title, so nothing of this run can be taken for the earlier one.
    App::SetTitle(QStringLiteral("unwanted instance"));
    SingleInstance unclaimed;
    if ((g_instance ? g_instance : &unclaimed)->HandOver(title))
        return true;
    App::SetTitle(title);
    return false;
}

} // namespace shell
