#include "CatalogueGenerator.h"

#include "Features.h"

#include "store/Catalogue.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <random>

namespace bench {

namespace {
const QStringList kFirst = {
    QStringLiteral("James"), QStringLiteral("Mary"),   QStringLiteral("Robert"),  QStringLiteral("Patricia"),
    QStringLiteral("John"),  QStringLiteral("Linda"),  QStringLiteral("Michael"), QStringLiteral("Barbara"),
    QStringLiteral("David"), QStringLiteral("Élodie"), QStringLiteral("Kenji"),   QStringLiteral("Ingrid"),
    QStringLiteral("Omar"),  QStringLiteral("Chiara"), QStringLiteral("Sven"),    QStringLiteral("Amara"),
    QStringLiteral("Luis"),  QStringLiteral("Greta"),  QStringLiteral("Tomás"),   QStringLiteral("Hana")};
const QStringList kLast = {
    QStringLiteral("Smith"),  QStringLiteral("Johnson"),   QStringLiteral("Williams"), QStringLiteral("Brown"),
    QStringLiteral("Jones"),  QStringLiteral("Garcia"),    QStringLiteral("Miller"),   QStringLiteral("Davis"),
    QStringLiteral("Moreau"), QStringLiteral("Tanaka"),    QStringLiteral("Bergman"),  QStringLiteral("O'Neill"),
    QStringLiteral("Rossi"),  QStringLiteral("Lindqvist"), QStringLiteral("Okafor"),   QStringLiteral("Novák"),
    QStringLiteral("Haddad"), QStringLiteral("Schmidt"),   QStringLiteral("Kowalski"), QStringLiteral("Nguyen")};
const QStringList kWords = {
    QStringLiteral("Night"),  QStringLiteral("River"),  QStringLiteral("Last"),   QStringLiteral("Silent"),
    QStringLiteral("Red"),    QStringLiteral("City"),   QStringLiteral("Dream"),  QStringLiteral("Winter"),
    QStringLiteral("Return"), QStringLiteral("Shadow"), QStringLiteral("Golden"), QStringLiteral("Road"),
    QStringLiteral("Storm"),  QStringLiteral("Garden"), QStringLiteral("Echo"),   QStringLiteral("Harbour")};
const QStringList kGrades = {QStringLiteral("A"), QStringLiteral("A-"), QStringLiteral("B+"), QStringLiteral("B"),
                             QStringLiteral("C"), QStringLiteral("D"),  QStringLiteral("F")};
const QStringList kRatings = {QStringLiteral("G"), QStringLiteral("PG"),    QStringLiteral("PG-13"),
                              QStringLiteral("R"), QStringLiteral("NC-17"), QStringLiteral("NR")};

const char* const kLookups[][2] = {
    {"tbl_Producer", "Producer"},       {"tbl_Executive_Producer", "Executive_Producer"},
    {"tbl_Composer", "Composer"},       {"tbl_Writer", "Writer"},
    {"tbl_Screenplay", "Screenwriter"}, {"tbl_Cinematographer", "Cinematographer"},
    {"tbl_Studio", "Studio"},           {"tbl_Genre", "Genre"},
    {"tbl_Format", "Format"},
};

QString personName(std::mt19937& rng, int i)
{
    return kFirst[int(rng() % kFirst.size())] + QLatin1Char(' ') + kLast[int(rng() % kLast.size())] + QLatin1Char(' ') +
           QString::number(i);
}

void fillLookup(store::Connection& db, const QString& table, const QString& column, int count, std::mt19937& rng)
{
    store::Statement insert(db, QStringLiteral("INSERT INTO [") + table + QStringLiteral("] ([") + column +
                                    QStringLiteral("]) VALUES (?)"));
    for (int i = 0; i < count; ++i) {
        insert.reset();
        insert.bind(1, personName(rng, i));
        insert.run();
    }
}
} // namespace

CatalogueShape ShapeFor(int movies)
{
    CatalogueShape s;
    const double f = movies / 50000.0;
    s.movies = movies;
    s.actors = std::max(50, int(20000 * f));
    s.directors = std::max(20, int(3000 * f));
    s.otherCredits = std::max(10, int(300 * std::min(1.0, f * 5)));
    return s;
}

void GenerateCatalogue(const QString& path, const CatalogueShape& shape, bool upgrade)
{
    if (QFileInfo::exists(path))
        throw store::StoreError(1, QStringLiteral("%1 exists already.").arg(path));
    RegisterFeatures(); // the upgrade below brings it to today's schema
    store::Connection db(path, store::Connection::Mode::ReadWriteCreate);
    db.exec(store::SchemaSql());
    std::mt19937 rng(shape.seed);
    store::Transaction tx(db);

    fillLookup(db, QStringLiteral("tbl_Director"), QStringLiteral("Director"), shape.directors, rng);
    for (const auto& l : kLookups)
        fillLookup(db, QString::fromLatin1(l[0]), QString::fromLatin1(l[1]), shape.otherCredits, rng);

    store::Statement actor(db, QStringLiteral("INSERT INTO [tbl_Actor] ([Actor_Last_Name], [Actor_First_Name]) "
                                              "VALUES (?, ?)"));
    for (int i = 0; i < shape.actors; ++i) {
        actor.reset();
        actor.bind(1, QString(kLast[int(rng() % kLast.size())] + QString::number(i)));
        actor.bind(2, kFirst[int(rng() % kFirst.size())]);
        actor.run();
    }

    store::Statement movie(
        db, QStringLiteral("INSERT INTO [tbl_Movie_Title] ([Movie_Title], [Director_ID], [Producer_ID], "
                           "[Executive_Producer_ID], [Composer_ID], [Writer_ID], [Screenplay_ID], "
                           "[Cinematographer_ID], [Studio_ID], [Genre_ID], [Format_ID], [Length], [Year_Released], "
                           "[Grade], [Rating], [Widescreen]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    store::Statement link(db,
                          QStringLiteral("INSERT INTO [tbl_Actor_Movie_Join] ([Actor_ID], [Movie_ID]) VALUES (?, ?)"));
    for (int i = 0; i < shape.movies; ++i) {
        movie.reset();
        const QString title = kWords[int(rng() % kWords.size())] + QLatin1Char(' ') +
                              kWords[int(rng() % kWords.size())] + QLatin1Char(' ') + QString::number(i);
        movie.bind(1, QString(title));
        movie.bind(2, qint64(1 + rng() % unsigned(shape.directors + 1)));
        for (int c = 3; c <= 11; ++c)
            movie.bind(c, qint64(1 + rng() % unsigned(shape.otherCredits + 1)));
        movie.bind(12, QStringLiteral("%1:%2").arg(1 + rng() % 3).arg(rng() % 60, 2, 10, QLatin1Char('0')));
        movie.bind(13, QString::number(1920 + rng() % 106));
        movie.bind(14, kGrades[int(rng() % kGrades.size())]);
        movie.bind(15, kRatings[int(rng() % kRatings.size())]);
        movie.bind(16, qint64(rng() % 3 == 0));
        movie.run();
        const qint64 id = db.lastInsertRowId();
        for (int a = 0; a < shape.castPerMovie; ++a) {
            link.reset();
            link.bind(1, qint64(1 + rng() % unsigned(shape.actors)));
            link.bind(2, id);
            link.run();
        }
    }
    tx.commit();
    if (upgrade)
        store::OpenDatabase(path);
}

} // namespace bench
