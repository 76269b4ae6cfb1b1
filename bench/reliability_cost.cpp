// What the safety measures cost on a full-size catalogue: the check when a file is first opened,
// the copy before the first change, and a commit synced in full against one synced normally.
//   reliability_cost <empty folder>
#include "Features.h"
#include "store/Backup.h"
#include "store/Catalogue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

void fill(const QString& path, int movies)
{
    RegisterFeatures();
    store::CreateCatalogue(path);
    store::Connection db(path, store::Connection::Mode::ReadWrite);
    store::Transaction unit(db);
    store::Statement movie(db, QStringLiteral("INSERT INTO tbl_Movie_Title (Movie_Title, Director_ID) VALUES (?, 1)"));
    store::Statement actor(db,
                           QStringLiteral("INSERT INTO tbl_Actor (Actor_Last_Name, Actor_First_Name) VALUES (?, ?)"));
    store::Statement link(db, QStringLiteral("INSERT INTO tbl_Actor_Movie_Join (Actor_ID, Movie_ID) VALUES (?, ?)"));
    for (int i = 1; i <= movies; ++i) {
        movie.reset();
        movie.bind(1, QStringLiteral("Movie number %1").arg(i));
        movie.run();
    }
    for (int i = 1; i <= movies * 2 / 5; ++i) {
        actor.reset();
        actor.bindAll({QStringLiteral("Last %1").arg(i), QStringLiteral("First %1").arg(i)});
        actor.run();
    }
    for (int i = 0; i < movies * 5; ++i) {
        link.reset();
        link.bindAll({qint64(i % (movies * 2 / 5) + 1), qint64(i / 5 + 1)});
        link.run();
    }
    unit.commit();
}

double commits(const QString& path, const char* sync, int count)
{
    store::Connection db = store::OpenDatabase(path);
    db.exec(QString::fromLatin1(sync));
    store::Statement add(db, QStringLiteral("INSERT INTO tbl_Genre (Genre) VALUES (?)"));
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        add.reset();
        add.bind(1, QStringLiteral("Genre %1").arg(i));
        add.run();
    }
    return double(clock.nsecsElapsed()) / 1e6 / count;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = app.arguments().value(1) + QStringLiteral("/Reelkeeper.mdb");
    fill(path, 50000);
    QElapsedTimer clock;
    clock.start();
    {
        const store::Connection first = store::OpenDatabase(path);
    }
    const double firstOpen = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    {
        const store::Connection again = store::OpenDatabase(path);
    }
    const double laterOpen = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    {
        const store::Connection db = store::OpenDatabase(path);
        store::BackupCatalogue(db.handle(), path);
    }
    const double backup = double(clock.nsecsElapsed()) / 1e6;
    const double full = commits(path, "PRAGMA synchronous = FULL", 300);
    const double normal = commits(path, "PRAGMA synchronous = NORMAL", 300);
    std::printf("first open (with check) %.1f ms, later open %.2f ms, ratio %.0fx\n", firstOpen, laterOpen,
                firstOpen / laterOpen);
    std::printf("backup of the 50,000-movie catalogue %.1f ms\n", backup);
    std::printf("one-row commit: FULL %.3f ms, NORMAL %.3f ms, ratio %.2fx\n", full, normal, full / normal);
    return 0;
}
