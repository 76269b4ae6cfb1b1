#pragma once

#include "CatalogueGenerator.h"
#include "Features.h"
#include "shell/App.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>
#include <sys/resource.h>

namespace bench {

// A generated catalogue per size, kept between runs under the build folder; it becomes the
// program folder's catalogue.
inline QString UseCatalogue(int movies)
{
    const QString dir = QDir::currentPath() + QStringLiteral("/bench-data/") + QString::number(movies);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/Reelkeeper.mdb");
    RegisterFeatures(); // a catalogue kept from an earlier run is opened at today's schema too
    if (!QFileInfo::exists(path))
        GenerateCatalogue(path, ShapeFor(movies));
    shell::App::SetPath(dir);
    return path;
}

// sqlite3 alone: run the statement and read every column of every row as text.
inline long RawRead(const QString& path, const char* sql, const char* param = nullptr)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (param)
        sqlite3_bind_text(st, 1, param, -1, SQLITE_STATIC);
    long bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0, n = sqlite3_column_count(st); i < n; ++i)
            bytes += sqlite3_column_bytes(st, i) + (sqlite3_column_text(st, i) ? 1 : 0);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return bytes;
}

inline double PeakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

} // namespace bench
