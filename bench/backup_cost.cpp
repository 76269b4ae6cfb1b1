// What the copy before the first change costs a user, on a catalogue copy of any size. One round
// per run, since a run copies a file once:
//   backup_cost once <catalogue>    the copy all at once, as the command line makes it
//   backup_cost wait <catalogue>    a save at once after start, waiting for the copy in the background
//   backup_cost done <catalogue> <ms>  a save that long after start, once the copy has ended
//   backup_cost stop <catalogue>    the end of the run, a second into the copy in the background
// Each prints "<what> <milliseconds>"; the backups folder is the caller's to empty between runs.
#include "Features.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>

namespace {

// A small change in a transaction of its own, as a save is.
void save(store::Connection& db)
{
    store::Transaction unit(db);
    store::Statement add(db, QStringLiteral("INSERT INTO tbl_Genre (Genre) VALUES (?)"));
    add.bind(1, QStringLiteral("Genre %1").arg(QCoreApplication::applicationPid()));
    add.run();
    unit.commit();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    RegisterFeatures();
    const QString mode = app.arguments().value(1), path = app.arguments().value(2);
    store::Connection db = store::OpenDatabase(path); // checked here, before the clock starts
    QElapsedTimer clock;
    if (mode == QLatin1String("once")) {
        clock.start();
        store::BackupCatalogue(db.handle(), path);
    } else {
        const qsizetype before = store::Backups(path).size();
        clock.start();
        store::StartBackup(path);
        if (mode == QLatin1String("stop")) {
            QThread::msleep(1000);
            clock.restart();
            store::StopBackups();
            std::printf("%s %.1f, %lld copies\n", qPrintable(mode), double(clock.nsecsElapsed()) / 1e6,
                        qlonglong(store::Backups(path).size() - before));
            return 0;
        }
        if (mode == QLatin1String("done")) {
            QThread::msleep(app.arguments().value(3).toULong());
            clock.restart();
        }
        save(db);
    }
    std::printf("%s %.1f\n", qPrintable(mode), double(clock.nsecsElapsed()) / 1e6);
    return 0;
}
