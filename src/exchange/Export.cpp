#include "catalog/Clock.h"
#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverStore.h"
#include "exchange/Exchange.h"
#include "exchange/Tellico.h"
#include "loans/LoanStore.h"
#include "store/Backup.h"
#include "store/Sqlite.h"
#include "store/Values.h"
#include "webpage/WebPage.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <filesystem>
#include <sqlite3.h>

namespace exchange {

namespace {

// An export makes no backup, so it never goes over the catalogue, its side files or its backups,
// by whatever name they are reached: the files are compared, not the names. Nor does it write
// through a link, which QSaveFile would follow to the file it names.
void refuseExportTarget(const store::Connection& db, const QString& path)
{
    namespace fs = std::filesystem;
    const QFileInfo target(path);
    if (target.isSymLink())
        throw FileError(QStringLiteral("it is a link to another file; give a name of its own"));
    const auto resolved = [](const QString& name) {
        const QFileInfo info(name);
        const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
        return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
    };
    const auto same = [&](const QString& a, const QString& b) {
        std::error_code error; // either missing: not the same file
        return resolved(a) == resolved(b) ||
               fs::equivalent(QFile::encodeName(a).toStdString(), QFile::encodeName(b).toStdString(), error);
    };
    const QString wanted = resolved(path);
    for (const QString& catalogue : {db.path(), QFileInfo(db.path()).canonicalFilePath()}) {
        if (catalogue.isEmpty())
            continue;
        if (same(path, catalogue))
            throw FileError(QStringLiteral("it is the catalogue itself; give another name"));
        for (const char* side : {"-wal", "-shm", "-journal"})
            if (same(path, catalogue + QLatin1String(side)))
                throw FileError(QStringLiteral("it is one of the catalogue's own files; give another name"));
        const QString backups = resolved(store::BackupFolder(catalogue));
        if (same(path, backups))
            throw FileError(QStringLiteral("it is the catalogue's backups folder; give a file name"));
        if (wanted.startsWith(backups + QLatin1Char('/')))
            throw FileError(QStringLiteral("it is in the catalogue's backups folder; choose another folder"));
    }
}

// Progress is told every this many movies: often enough for a bar that moves, seldom enough to cost
// nothing.
constexpr qint64 kProgressEvery = 256;

// The shareable page, movie by movie as the catalogue gives them: credits as the catalogue holds
// them ("Unknown" too, so the page's find box answers as the program's does), the cast as the
// program shows it, the loan of each movie that is out and, when asked, its thumbnail.
int writeWebPage(const store::Connection& db, const QString& path, const Progress& progress, bool covers)
{
    CatalogueReader reader(db);
    QHash<qint64, loans::Loan> out; // the movies out now: a few among many
    for (loans::Loan& loan : loans::OutstandingLoans(db))
        out.insert(loan.movieId, std::move(loan));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("the file cannot be written: %1").arg(file.errorString()));
    qint64 done = 0;
    bool cancelled = false;
    Movie m;
    const QString failed =
        webpage::WritePage(file, QFileInfo(path).completeBaseName(), catalog::Today(), [&](webpage::MovieRecord& r) {
            if (progress && done % kProgressEvery == 0 && !progress(done, reader.count()))
                cancelled = true;
            if (cancelled || !reader.next(m))
                return false;
            ++done;
            r.title = m.title;
            for (std::size_t i = 0; i < m.credits.size(); ++i)
                r.credits[i] << (m.credits[i].isEmpty() ? QLatin1String(catalog::kUnknown) : m.credits[i])
                             << m.moreNames[i];
            r.year = m.year;
            r.length = m.length;
            r.grade = m.grade;
            r.rating = m.rating;
            r.widescreen = m.widescreen;
            for (const catalog::CastMember& member : m.cast)
                r.cast.push_back({catalog::ActorDisplayName(member.last, member.first), member.character});
            r.plot = m.plot;
            if (m.personalRating)
                r.personalRating = QString::number(*m.personalRating);
            if (const auto loan = out.constFind(m.id); loan != out.constEnd())
                r.loan = {loan->borrower, loan->lent, loan->due};
            if (covers)
                r.thumbnail = covers::StoredThumbnail(db, m.id);
            return true;
        });
    if (cancelled || (progress && failed.isEmpty() && !progress(done, reader.count())))
        return -1; // never committed: the working file goes
    if (!failed.isEmpty() || !file.commit())
        throw FileError(
            QStringLiteral("the file cannot be written: %1").arg(failed.isEmpty() ? file.errorString() : failed));
    return int(done);
}

} // namespace

// The page cache a reader uses: the movies come in title order, their rows from wherever the table
// keeps them, and a small cache would read many pages again and again.
constexpr int kReaderCacheKiB = 32 * 1024;

CatalogueReader::CatalogueReader(const store::Connection& db) : m_db(db)
{
    {
        store::Statement cache(db, QStringLiteral("PRAGMA cache_size"));
        m_cacheSize = cache.step() ? cache.column(0).toInt() : 0;
    }
    store::Statement(db, QStringLiteral("PRAGMA cache_size = %1").arg(-kReaderCacheKiB)).run();
    if (sqlite3_get_autocommit(db.handle())) {
        store::Statement(db, QStringLiteral("BEGIN")).run();
        m_began = true;
    }
    try {
        store::Statement count(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
        m_count = count.step() ? count.column(0).toLongLong() : 0;
        QString names;
        for (const store::Credit& c : store::kCredits)
            names += QStringLiteral(", [%1]").arg(QLatin1String(c.name));
        m_rows = std::make_unique<store::Statement>(
            db, QStringLiteral("SELECT [Movie_ID], [Movie_Title]%1, [Length], [Year_Released], [Grade], [Rating], "
                               "[Widescreen] FROM [qry_Movie_Title]")
                    .arg(names));
        m_cast = std::make_unique<store::Statement>(
            db, QStringLiteral("SELECT a.[Actor_Last_Name], a.[Actor_First_Name], c.[Character] "
                               "FROM [tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] AS a ON a.[Actor_ID] = j.[Actor_ID] "
                               "LEFT JOIN [tbl_Cast_Character] AS c ON c.[Movie_ID] = j.[Movie_ID] AND "
                               "c.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_ID] = ? ORDER BY j.rowid"));
        // Few movies hold more than their row and cast: only their keys are kept, and each of those
        // movies' extras read as it comes.
        store::Statement withMore(db, QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_More_Name] UNION "
                                                     "SELECT [Movie_ID] FROM [tbl_Movie_Details] UNION "
                                                     "SELECT [Movie_ID] FROM [tbl_Movie_Barcode] UNION "
                                                     "SELECT [Movie_ID] FROM [tbl_Movie_Field]"));
        while (withMore.step())
            m_withMore.insert(withMore.column(0).toLongLong());
        m_more = std::make_unique<catalog::MovieReader>(db);
    } catch (...) {
        if (m_began)
            store::Statement(db, QStringLiteral("ROLLBACK")).run();
        throw;
    }
}

CatalogueReader::~CatalogueReader()
{
    m_rows.reset();
    m_cast.reset();
    m_more.reset();
    if (m_began)
        sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr); // it only read
    sqlite3_exec(m_db.handle(), QStringLiteral("PRAGMA cache_size = %1").arg(m_cacheSize).toUtf8().constData(), nullptr,
                 nullptr, nullptr);
}

bool CatalogueReader::next(Movie& m)
{
    if (!m_rows->step())
        return false;
    int c = 0;
    m.id = m_rows->column(c++).toLongLong();
    m.title = m_rows->column(c++).toString();
    for (QString& credit : m.credits)
        credit = m_rows->column(c++).toString();
    for (QString* field : {&m.length, &m.year, &m.grade, &m.rating})
        *field = m_rows->column(c++).toString();
    m.widescreen = store::IsTrue(m_rows->column(c++));
    m.cast.clear();
    m_cast->reset();
    m_cast->bind(1, m.id);
    while (m_cast->step())
        m.cast.emplace_back(m_cast->column(0).toString(), m_cast->column(1).toString(), m_cast->column(2).toString());
    m_cast->reset();
    catalog::Movie& whole = m;
    catalog::TakeMore(whole, catalog::Movie()); // nothing left of the movie read before
    if (m_withMore.contains(m.id))
        m_more->ReadMore(m.id, whole);
    return true;
}

std::vector<Movie> ReadCatalogue(const store::Connection& db)
{
    CatalogueReader reader(db);
    std::vector<Movie> movies;
    for (Movie m; reader.next(m);)
        movies.push_back(m);
    return movies;
}

bool IsWebPageName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0;
}

int ExportFile(const store::Connection& db, const QString& path, const Progress& progress, bool covers)
{
    refuseExportTarget(db, path);
    if (progress && !progress(0, 0)) // told at once, before the first movie is read
        return -1;
    if (IsWebPageName(path))
        return writeWebPage(db, path, progress, covers);
    const bool tellico = QFileInfo(path).suffix().compare(QLatin1String("tc"), Qt::CaseInsensitive) == 0;
    // Which movies have a picture, and of what kind, so that each entry names its own; the pictures
    // themselves are read one at a time as the zip takes them.
    const QHash<qint64, QByteArray> formats = tellico ? covers::PictureFormats(db) : QHash<qint64, QByteArray>();
    QHash<qint64, loans::Loan> out; // the movies out now, whose loans a Tellico file keeps
    if (tellico)
        for (loans::Loan& loan : loans::OutstandingLoans(db))
            out.insert(loan.movieId, std::move(loan));
    CatalogueReader reader(db);
    qint64 written = 0;
    const NextMovie next = [&](Movie& m) {
        if (!reader.next(m))
            return false;
        m.coverName.clear();
        if (const auto format = formats.constFind(m.id); format != formats.constEnd())
            m.coverName = QStringLiteral("cover-%1.%2")
                              .arg(m.id)
                              .arg(*format == "PNG" ? QLatin1String("png") : QLatin1String("jpeg"));
        m.loan.reset();
        if (const auto loan = out.constFind(m.id); loan != out.constEnd())
            m.loan = FileLoan{loan->borrower, loan->lent, loan->due, 0};
        ++written;
        return true;
    };
    if (tellico) {
        try {
            if (!WriteTellicoZip(path, reader.count(), next, progress,
                                 [&db](qint64 movie) { return covers::Picture(db, movie); }))
                return -1;
        } catch (const FileError& e) {
            throw FileError(QStringLiteral("the Tellico file cannot be made: %1").arg(e.why()));
        }
        return int(written);
    }
    // Written under a working name beside the target and renamed over it when whole, so a failure
    // or Cancel leaves no partial file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("the file cannot be written: %1").arg(file.errorString()));
    if (!WriteCsv(file, reader.count(), next, progress))
        return -1;
    if (!file.commit())
        throw FileError(QStringLiteral("the file cannot be written: %1").arg(file.errorString()));
    return int(written);
}

} // namespace exchange
