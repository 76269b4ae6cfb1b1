#include "shell/CatalogueHome.h"

#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "store/Catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <sqlite3.h>

namespace shell {

namespace {

// Tried rather than read from the permission bits: the superuser, read-only mounts and access
// lists all answer differently from what the bits say.
bool canWrite(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.reelkeeper-XXXXXX"));
    return probe.open();
}

void makeUserCopy(const QString& shipped, const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    auto fail = [&](const QString& why) {
        return store::StoreError(
            SQLITE_CANTOPEN,
            QStringLiteral("Your own catalogue \"%1\" could not be made: %2").arg(QDir::toNativeSeparators(path), why));
    };
    if (!QDir().mkpath(folder))
        throw fail(QStringLiteral("the folder \"%1\" cannot be made.").arg(QDir::toNativeSeparators(folder)));
    if (!QFileInfo::exists(shipped)) {
        store::CreateCatalogue(path);
        return;
    }
    // Copied under another name first, so a copy cut short is never taken for the catalogue.
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(shipped, part) ||
        !QFile::setPermissions(part, QFile::permissions(part) | QFile::ReadOwner | QFile::WriteOwner) ||
        !QFile::rename(part, path)) {
        QFile::remove(part);
        throw fail(QStringLiteral("\"%1\" cannot be copied there.").arg(QDir::toNativeSeparators(shipped)));
    }
}

} // namespace

QString SettleCatalogue()
{
    TellBackupFailures();
    const QString beside = App::Path() + QStringLiteral("/Reelkeeper.mdb");
    QString path = beside;
    if (!canWrite(App::Path())) {
        // Installed for all users: the shipped catalogue is read-only to this one.
        path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Reelkeeper.mdb");
        if (!QFileInfo::exists(path))
            makeUserCopy(beside, path);
    }
    store::SetCataloguePath(path);
    return path;
}

} // namespace shell
