#include "shell/RunMarker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <sys/stat.h>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace shell {

namespace {

QByteArray firstLine(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed() : QByteArray();
}

// Boot and start time as well as the number: numbers are reused, after a restart at once.
QByteArray bootId()
{
    return firstLine(QStringLiteral("/proc/sys/kernel/random/boot_id"));
}

QByteArray startTime(qint64 pid)
{
    const QByteArray stat = firstLine(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype name = stat.lastIndexOf(')');
    if (name < 0)
        return {};
    const QList<QByteArray> fields = stat.mid(name + 1).simplified().split(' ');
    return fields.value(19); // the 22nd field; the list starts at the 3rd
}

bool alive(qint64 pid, const QByteArray& boot, const QByteArray& started)
{
    if (bootId() != boot)
        return false;
    if (QFileInfo::exists(QStringLiteral("/proc/self/stat")))
        return startTime(pid) == started;
#ifdef Q_OS_UNIX
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    return true; // cannot tell: never taken for an unclean end
#endif
}

QByteArray identity(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QByteArray::number(qulonglong(info.st_dev)) + ':' + QByteArray::number(qulonglong(info.st_ino));
}

} // namespace

QString RunMarker::Folder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Reelkeeper/running");
}

RunMarker::RunMarker(const QString& cataloguePath)
{
    const QString folder = Folder();
    const QString catalogue = QFileInfo(cataloguePath).absoluteFilePath();
    const QByteArray id = identity(catalogue);
    bool unclean = false;
    for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("*.run")}, QDir::Files)) {
        QFile marker(file.filePath());
        if (!marker.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = marker.readAll().split('\n');
        // pid, boot, start time, catalogue, identity; a marker cut short by the crash counts as ours
        if (lines.size() >= 5 && alive(lines[0].toLongLong(), lines[1], lines[2]))
            continue; // another instance, or another user's program on this catalogue
        const QString named = QString::fromUtf8(lines.value(3));
        if (lines.size() < 5 || named == catalogue || (!id.isEmpty() && lines[4] == id) || !QFileInfo::exists(named)) {
            unclean = true;
            m_stale << file.filePath();
        }
    }
    const qint64 pid = QCoreApplication::applicationPid();
    const QByteArray started = startTime(pid);
    QSaveFile own(folder + QStringLiteral("/%1-%2.run").arg(pid).arg(QString::fromLatin1(started)));
    if (!QDir().mkpath(folder) || !own.open(QIODevice::WriteOnly))
        return; // nothing can be told next time either: checked every start
    own.write(QByteArray::number(pid) + '\n' + bootId() + '\n' + started + '\n' + catalogue.toUtf8() + '\n' + id +
              '\n');
    if (!own.commit())
        return;
    m_own = own.fileName();
    m_unclean = unclean;
}

RunMarker::~RunMarker()
{
    if (!m_own.isEmpty())
        QFile::remove(m_own);
}

void RunMarker::Forget()
{
    for (const QString& stale : std::as_const(m_stale))
        QFile::remove(stale);
    m_stale.clear();
}

} // namespace shell
