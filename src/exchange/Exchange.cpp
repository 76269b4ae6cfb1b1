#include "exchange/Exchange.h"

#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverStore.h"
#include "exchange/Gcstar.h"
#include "exchange/Tellico.h"
#include "exchange/Zip.h"
#include "loans/LoanStore.h"
#include "shell/App.h"
#include "shell/Settings.h"
#include "shell/Wording.h"
#include "store/Sqlite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <mutex>

namespace exchange {

namespace {

QString key(const QString& title, const QString& year = QString())
{
    return title.toLower() + QLatin1Char('\n') + year.trimmed();
}

// A title as the catalogue compares titles: without regard to the case of the letters A to Z.
QString titleKey(const QString& title)
{
    QString folded = title;
    for (QChar& c : folded)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return folded;
}

QString headerKey(const QStringList& header)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(header.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1).toHex());
}

// Name -> key in one lookup table or the actor library, found as a save finds it.
class Names
{
public:
    // Actors go by two names, lookups by one.
    Names(const store::Connection& db, bool pair, const QString& find) : m_pair(pair), m_find(db, find) {}
    qint64 find(const QString& a, const QString& b = QString())
    {
        const QString k = a + QChar(0x1f) + b;
        if (const auto it = m_cache.constFind(k); it != m_cache.constEnd())
            return *it;
        m_find.reset();
        m_find.bind(1, a);
        if (m_pair) {
            m_find.bind(2, b);
            m_find.bind(3, QString(a + QStringLiteral(", ") + b));
        }
        const qint64 id = m_find.step() ? m_find.column(0).toLongLong() : 0;
        m_find.reset();
        if (id)
            m_cache.insert(k, id);
        return id;
    }

private:
    bool m_pair;
    store::Statement m_find;
    QHash<QString, qint64> m_cache;
};

QString creditFind(std::size_t i)
{
    const store::Credit& c = store::kCredits[i];
    return QStringLiteral("SELECT [%1] FROM [%2] WHERE [%3] = ? LIMIT 1")
        .arg(QLatin1String(c.key), QLatin1String(c.table), QLatin1String(c.name));
}

// By the display name first, so the catalogue's index on it finds the few candidates.
const QString kActorFind = QStringLiteral(
    "SELECT [Actor_ID] FROM [tbl_Actor] WHERE (ifnull([Actor_Last_Name], '') || ', ' || ifnull([Actor_First_Name], "
    "'')) COLLATE NOCASE = ?3 AND [Actor_Last_Name] = ?1 AND [Actor_First_Name] = ?2 LIMIT 1");

QString notLent(const Movie& m, const QString& why)
{
    return LoanNotKept(m.loan->line, m.title, m.loan->borrower, why);
}

QString creditName(const Movie& m, std::size_t i)
{
    return m.credits[i].isEmpty() ? QLatin1String(catalog::kUnknown) : m.credits[i];
}

// Makes covers of the pictures the movies name, `load` reading each (or saying why it cannot, and
// telling how many bytes it unpacked and how many of them the file holds, either way), on every core;
// the ones that cannot be used are told.
// Each picture is read and made once, however many movies name it. What is read and what is decoded
// count against the import's budgets, a picture that fails as much as one that does not; they are
// spent in the file's order, so the same file always keeps the same covers. False when progress
// cancels it.
struct Unpacked
{
    qint64 bytes = 0;  // what came out
    qint64 inFile = 0; // what the file holds of it
};
using Loader = std::function<QByteArray(const QString& name, Unpacked& unpacked, QString& why)>;
bool takeCovers(ImportData& data, const Loader& load, const Progress& progress)
{
    QHash<QString, std::size_t> index; // picture name -> its place in names
    std::vector<QString> names;
    for (const Movie& m : data.movies)
        if (!m.coverName.isEmpty() && !index.contains(m.coverName)) {
            index.insert(m.coverName, names.size());
            names.push_back(m.coverName);
        }
    if (names.empty())
        return true;
    std::vector<covers::Cover> made(names.size());
    std::vector<QString> why(names.size());
    std::mutex mutex;
    std::size_t next = 0;
    qint64 inflated = 0, decoded = 0, allowed = kMaxCoverPixels, done = 0;
    std::atomic<bool> stop = false;
    const auto work = [&] {
        for (;;) {
            // Taken, read and counted under the lock: reading is cheap and the archive is read by one
            // thread at a time; making covers is not.
            std::unique_lock lock(mutex);
            if (stop || next == names.size())
                break;
            const std::size_t k = next++;
            // Nothing may leave a thread: a picture that fails in any way is one left out.
            try {
                QByteArray bytes;
                if (inflated > kMaxCoverBytes) {
                    why[k] = QStringLiteral("the file's pictures come to more than %1 MB").arg(kMaxCoverBytes >> 20);
                } else if (decoded > allowed) {
                    why[k] = QStringLiteral("the file's pictures come to more than %1 million pixels")
                                 .arg(kMaxCoverPixels / 1'000'000);
                } else {
                    Unpacked unpacked;
                    bytes = load(names[k], unpacked, why[k]);
                    inflated += qMax<qint64>(0, unpacked.bytes - unpacked.inFile);
                    allowed += kCoverPixelsPerByte * unpacked.inFile;
                    if (why[k].isEmpty())
                        decoded += covers::DecodedPixels(bytes);
                }
                lock.unlock();
                if (why[k].isEmpty()) {
                    covers::Prepared prepared = covers::PrepareCover(bytes, names[k]);
                    made[k] = std::move(prepared.cover);
                    why[k] = prepared.error;
                }
            } catch (...) {
                if (lock.owns_lock())
                    lock.unlock();
                why[k] = QStringLiteral("\"%1\" could not be read").arg(names[k]);
            }
            // Told by each worker in turn, never two at once.
            std::lock_guard told(mutex);
            if (progress && !progress(++done, qint64(names.size())))
                stop = true;
        }
    };
    // A pool of their own: the import itself runs on the shared one, and waits for these.
    QThreadPool pool;
    pool.setMaxThreadCount(qBound(1, QThread::idealThreadCount(), int(names.size())));
    std::vector<QFuture<void>> workers;
    for (int t = 0; t < pool.maxThreadCount(); ++t)
        workers.push_back(QtConcurrent::run(&pool, work));
    for (QFuture<void>& w : workers)
        w.waitForFinished();
    if (stop)
        return false;
    for (Movie& m : data.movies) {
        if (m.coverName.isEmpty())
            continue;
        const std::size_t k = index.value(m.coverName);
        m.cover = made[k];
        if (!why[k].isEmpty())
            data.notes << QStringLiteral("line %1, %2: cover left out: %3").arg(m.line).arg(m.title, why[k]);
    }
    return true;
}

QByteArray carried(const ImportData& data, const QString& name, Unpacked& unpacked, QString& why)
{
    const auto it = data.pictures.constFind(name);
    if (it == data.pictures.constEnd()) {
        why = QStringLiteral("the file does not hold the picture \"%1\"").arg(name);
        return {};
    }
    unpacked = {it->size(), it->size()};
    return *it;
}

// A picture a GCstar file names: a path of its own (GCstar's usual form) or one relative to the file's
// folder. Only a plain file is read, and only as large as a cover may be.
QByteArray pictureBeside(const QDir& folder, const QString& name, Unpacked& unpacked, QString& why)
{
    const QString path = folder.absoluteFilePath(QUrl(name).isLocalFile() ? QUrl(name).toLocalFile() : name);
    const QFileInfo info(path);
    QFile file(path);
    if (!info.isFile())
        why = QString::fromLatin1(info.exists() ? "\"%1\" is not a plain file" : "\"%1\" is not there").arg(name);
    else if (info.size() > covers::kMaxFileBytes)
        why = QStringLiteral("\"%1\" is larger than %2 MB").arg(name).arg(covers::kMaxFileBytes >> 20);
    else if (!file.open(QIODevice::ReadOnly))
        why = QStringLiteral("\"%1\" cannot be read: %2").arg(name, file.errorString());
    if (!why.isEmpty())
        return {};
    const QByteArray bytes = file.read(covers::kMaxFileBytes + 1);
    unpacked = {bytes.size(), bytes.size()};
    return bytes;
}

} // namespace

ImportSource ReadImportFile(const QString& path, const Progress& progress)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        throw FileError(QStringLiteral("\"%1\" is not a file").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("the file cannot be read: %1").arg(file.errorString()));
    ImportSource source;
    // A zip is read from its file, an entry at a time: each entry and the pictures together have caps
    // of their own, so the file may be as large as an export with its covers makes it.
    if (IsZip(file.peek(4))) {
        file.close();
        source.kind = Kind::TellicoZip;
        std::unique_ptr<const ZipReader> opened;
        try {
            opened = std::make_unique<const ZipReader>(path);
        } catch (const FileError& e) {
            throw FileError(QStringLiteral("the file is a zip archive but %1").arg(e.why()));
        }
        const ZipReader& zip = *opened;
        if (!zip.contains(QStringLiteral("tellico.xml")))
            throw FileError(QStringLiteral("the zip archive is not a Tellico file: it holds no tellico.xml"));
        QByteArray xml;
        try {
            xml = zip.entry(QStringLiteral("tellico.xml"), kMaxImportBytes);
        } catch (const FileError& e) {
            throw FileError(QStringLiteral("the Tellico file cannot be unpacked: %1").arg(e.why()));
        }
        // Control characters are taken out of text before anything reads it, so each reader meets the same.
        QStringList cleaned;
        source.data = ReadTellico(RemoveControls(xml, cleaned));
        source.data.notes = cleaned + source.data.notes;
        source.cancelled = !takeCovers(
            source.data,
            [&](const QString& name, Unpacked& unpacked, QString& why) {
                const QString entry = QStringLiteral("images/") + name;
                if (source.data.pictures.contains(name) || !zip.contains(entry))
                    return carried(source.data, name, unpacked, why);
                unpacked.inFile = zip.packedSize(entry);
                try {
                    return zip.entry(entry, covers::kMaxFileBytes, &unpacked.bytes);
                } catch (const FileError& e) {
                    why = e.why();
                    return QByteArray();
                }
            },
            progress);
        return source;
    }
    if (file.size() > kMaxImportBytes)
        throw FileError(QStringLiteral("the file is larger than %1 MB").arg(kMaxImportBytes >> 20));
    const QByteArray bytes = file.read(kMaxImportBytes + 1);
    if (bytes.size() > kMaxImportBytes)
        throw FileError(QStringLiteral("the file is larger than %1 MB").arg(kMaxImportBytes >> 20));
    QStringList cleaned;
    const QByteArray text = RemoveControls(bytes, cleaned);
    source.kind = DetectKind(text);
    switch (source.kind) {
    case Kind::TellicoZip:
        break; // opened from its file above
    case Kind::TellicoXml:
        source.data = ReadTellico(text);
        source.data.notes = cleaned + source.data.notes;
        source.cancelled = !takeCovers(
            source.data,
            [&](const QString& name, Unpacked& unpacked, QString& why) {
                return carried(source.data, name, unpacked, why);
            },
            progress);
        break;
    case Kind::GcstarXml:
        source.data = ReadGcstar(text);
        source.data.notes = cleaned + source.data.notes;
        source.cancelled = !takeCovers(
            source.data,
            [folder = QFileInfo(path).absoluteDir()](const QString& name, Unpacked& unpacked, QString& why) {
                return pictureBeside(folder, name, unpacked, why);
            },
            progress);
        break;
    case Kind::Csv:
        source.table = ParseCsv(DecodeText(text));
        source.table.notes = cleaned;
        if (source.table.rows.empty())
            throw FileError(QStringLiteral("the file holds no rows to import"));
        break;
    }
    return source;
}

std::vector<int> RememberedMapping(const QStringList& header, int columns)
{
    std::vector<int> mapping = MappingFromHeader(header);
    mapping.resize(std::size_t(columns), kIgnore);
    if (header.isEmpty())
        return mapping;
    const QStringList saved =
        shell::GetSetting(shell::App::Title(), QStringLiteral("Import Mapping"), headerKey(header))
            .split(QLatin1Char(','));
    if (saved.size() == columns)
        for (int c = 0; c < columns; ++c)
            mapping[std::size_t(c)] = qBound(int(kIgnore), saved.at(c).toInt(), int(kFieldCount) - 1);
    return mapping;
}

void RememberMapping(const QStringList& header, const std::vector<int>& mapping)
{
    if (header.isEmpty())
        return;
    QStringList values;
    for (int field : mapping)
        values << QString::number(field);
    shell::SaveSetting(shell::App::Title(), QStringLiteral("Import Mapping"), headerKey(header),
                       values.join(QLatin1Char(',')));
}

Plan Preview(const store::Connection& db, ImportData data)
{
    Plan plan;
    // The stored movies by title, and the file's own as the import will have placed them: an earlier
    // movie of the file stands before a stored one of the same title. Keys of the file's are their
    // lines, negative.
    QHash<QString, catalog::Titled> stored, placed;
    store::Statement all(db, QStringLiteral("SELECT [Movie_ID], [Movie_Title], [Year_Released] FROM "
                                            "[tbl_Movie_Title] ORDER BY [Movie_ID]"));
    while (all.step()) {
        const QString title = titleKey(all.column(1).toString());
        if (!stored.contains(title))
            stored.insert(title, {all.column(0).toLongLong(), all.column(2).toString()});
    }
    all.reset();
    const catalog::TitleLookup lookup = [&](const QString& title) -> std::optional<catalog::Titled> {
        const QString k = titleKey(title);
        if (const auto it = placed.constFind(k); it != placed.constEnd())
            return *it;
        if (const auto it = stored.constFind(k); it != stored.constEnd())
            return *it;
        return std::nullopt;
    };
    std::array<std::unique_ptr<Names>, store::kCredits.size()> lookups;
    for (std::size_t i = 0; i < lookups.size(); ++i)
        lookups[i] = std::make_unique<Names>(db, false, creditFind(i));
    Names actors(db, true, kActorFind);
    std::array<QSet<QString>, store::kCredits.size()> newNames;
    QSet<QString> newActors;
    QStringList renamed, tidied, refusedLoans;
    for (Movie& m : data.movies) {
        const catalog::Placement place = catalog::Place(m.title, m.year, lookup);
        if (place.match < 0) {
            plan.data.problems << QStringLiteral("line %1: the same movie as line %2, %3 (skipped)")
                                      .arg(m.line)
                                      .arg(-place.match)
                                      .arg(m.title);
            continue;
        }
        // What the movie will be known by: a stored match's year where the file gives none.
        const QString year = place.match && m.year.trimmed().isEmpty() ? lookup(place.title)->year : m.year;
        placed.insert(titleKey(place.title), {-qint64(qMax(1, m.line)), year});
        if (place.renamed) {
            renamed << QStringLiteral("line %1: %2 is added as \"%3\", as \"%2\" is another movie already")
                           .arg(m.line)
                           .arg(m.title, place.title);
            ++plan.renamed;
        }
        plan.matches.push_back(place.match);
        ++(place.match ? plan.matched : plan.added);
        // What the catalogue cannot keep as it is, made keepable and told value by value.
        for (const QString& told : catalog::Tidy(m))
            tidied << QStringLiteral("line %1, %2: %3").arg(m.line).arg(m.title, told);
        for (std::size_t i = 0; i < lookups.size(); ++i)
            for (const QString& name : QStringList(creditName(m, i)) + m.moreNames[i])
                if (!newNames[i].contains(name.toLower()) && !lookups[i]->find(name))
                    newNames[i].insert(name.toLower());
        for (const catalog::CastMember& member : m.cast)
            if (!newActors.contains(key(member.last, member.first)) && !actors.find(member.last, member.first))
                newActors.insert(key(member.last, member.first));
        if (!m.coverName.isEmpty())
            ++(m.cover.picture.isEmpty() ? plan.coversLeftOut : plan.covers);
        if (m.loan) {
            const FileLoan& loan = *m.loan;
            const QString why = place.match ? loans::CheckLoan(db, place.match, loan.borrower, loan.lent, loan.due)
                                            : loans::CheckLoanTerms(loan.borrower, loan.lent, loan.due);
            if (why.isEmpty()) {
                ++plan.loans;
            } else {
                refusedLoans << notLent(m, why);
                m.loan.reset();
            }
        }
        plan.data.movies.push_back(std::move(m));
    }
    plan.data.problems = data.problems + plan.data.problems;
    plan.data.notes = renamed + data.notes + tidied + refusedLoans;
    for (std::size_t i = 0; i < newNames.size(); ++i)
        plan.newNames[i] = int(newNames[i].size());
    plan.newActors = int(newActors.size());
    return plan;
}

QString PreviewText(const Plan& plan)
{
    QStringList lines;
    const auto verb = [](qint64 n, const char* one, const char* many) { return QLatin1String(n == 1 ? one : many); };
    lines << shell::Counted(plan.added, "movie", "movies") + QStringLiteral(" will be added.");
    lines << shell::Counted(plan.matched, "movie", "movies") + verb(plan.matched, " matches", " match") +
                 QStringLiteral(" one already in the catalogue (same title and year).");
    if (plan.renamed)
        lines << shell::Counted(plan.renamed, "movie", "movies") + verb(plan.renamed, " takes", " take") +
                     QStringLiteral(" its year into its title, as another movie has the title (listed below).");
    QStringList names;
    for (std::size_t i = 0; i < plan.newNames.size(); ++i)
        if (plan.newNames[i])
            names << QStringLiteral("%1 in %2").arg(plan.newNames[i]).arg(FieldCaption(kFirstCredit + int(i)));
    lines << (names.isEmpty()
                  ? QStringLiteral("No new names in the lists.")
                  : QStringLiteral("New names in the lists: ") + names.join(QStringLiteral(", ")) + QLatin1Char('.'));
    lines << shell::Counted(plan.newActors, "new actor.", "new actors.");
    if (plan.loans)
        lines << shell::Counted(plan.loans, "movie", "movies") + verb(plan.loans, " is", " are") +
                     QStringLiteral(" lent as the file has ") + verb(plan.loans, "it", "them") +
                     QStringLiteral(" out.");
    if (plan.covers || plan.coversLeftOut)
        lines << shell::Counted(plan.covers, "cover", "covers") +
                     (plan.coversLeftOut ? QStringLiteral("; %1 cannot be used (listed below).").arg(plan.coversLeftOut)
                                         : QStringLiteral("."));
    if (const qsizetype n = plan.data.problems.size())
        lines << shell::Counted(n, "row", "rows") + verb(n, " is", " are") +
                     QStringLiteral(" left out or cut short; the list below says why.");
    return lines.join(QLatin1Char('\n'));
}

Outcome WriteImport(store::Connection& db, const Plan& plan, bool overwrite, const Progress& progress)
{
    Outcome outcome;
    store::Transaction unit(db);
    catalog::MovieWriter writer(db);
    catalog::MovieReader reader(db);
    writer.BeginBulk();
    const qint64 rows = qint64(plan.data.movies.size());
    const qint64 total = 2 * rows; // the rows, then what follows them (the find index)
    for (qint64 n = 0; n < rows; ++n) {
        if (progress && n % 128 == 0 && !progress(n, total)) {
            outcome.cancelled = true;
            return outcome; // the transaction rolls back
        }
        // The plan's matches are a forecast: since the preview another connection may have deleted,
        // added or imported the same movies. Under the write lock each is placed afresh.
        const Movie& m = plan.data.movies[std::size_t(n)];
        const catalog::Placement place = writer.Place(m.title, m.year);
        // As the file has it, unless another has lent it since the preview.
        const auto lend = [&](qint64 movieId) {
            if (!m.loan)
                return;
            const QString why = loans::CheckLoan(db, movieId, m.loan->borrower, m.loan->lent, m.loan->due);
            if (!why.isEmpty()) {
                outcome.notLent << notLent(m, why);
                return;
            }
            loans::LendWithin(db, movieId, m.loan->borrower, m.loan->lent, m.loan->due);
            ++outcome.loans;
        };
        if (place.match && !overwrite) {
            lend(place.match);
            ++outcome.skipped;
            continue;
        }
        catalog::Movie movie = m;
        movie.title = place.title;
        const qint64 movieId = place.match ? place.match : writer.Add(movie);
        if (place.match) {
            // What the file leaves empty, the movie keeps, as it keeps its cast.
            if (const std::optional<catalog::Movie> before = reader.Read(place.match))
                catalog::KeepStored(movie, *before);
            writer.Overwrite(place.match, movie);
        }
        // A movie overwritten by one without a picture keeps its own, as it keeps its cast.
        if (!m.cover.picture.isEmpty()) {
            covers::SaveCover(db, movieId, m.cover);
            ++outcome.covers;
        }
        lend(movieId);
        ++(place.match ? outcome.overwritten : outcome.added);
    }
    outcome.links = writer.LinksAdded();
    const bool finished = writer.FinishBulk([&](qint64 done, qint64 of) {
        return !progress || progress(rows + (of > 0 ? done * rows / of : rows), total);
    });
    if (!finished || (progress && !progress(total, total))) {
        outcome.cancelled = true;
        return outcome;
    }
    unit.commit();
    return outcome;
}

QString OutcomeText(const Outcome& outcome)
{
    if (outcome.cancelled)
        return QStringLiteral("The import was cancelled; the catalogue is as it was.");
    QString text = QStringLiteral("%1 added, %2 overwritten, %3 skipped as already in the catalogue; %4, %5")
                       .arg(shell::Counted(outcome.added, "movie", "movies"))
                       .arg(outcome.overwritten)
                       .arg(outcome.skipped)
                       .arg(shell::Counted(outcome.links, "cast link", "cast links"),
                            shell::Counted(outcome.covers, "cover", "covers"));
    if (outcome.loans)
        text += QStringLiteral(", ") + shell::Counted(outcome.loans, "loan", "loans");
    text += QLatin1Char('.');
    for (const QString& line : outcome.notLent)
        text += QLatin1Char('\n') + line;
    return text;
}

} // namespace exchange
