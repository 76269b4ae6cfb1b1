#include "catalog/MovieWriter.h"

#include "store/Values.h"

#include <QSet>
#include <algorithm>

namespace catalog {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

std::vector<BulkObserver>& observers()
{
    static std::vector<BulkObserver> list;
    return list;
}

} // namespace

void ApplyDefaults(Movie& movie)
{
    for (QString& name : movie.credits)
        if (name.isEmpty())
            name = L(kUnknown);
    const std::pair<QString*, const char*> shortFields[] = {{&movie.length, kDefaultLength},
                                                            {&movie.year, kDefaultYear},
                                                            {&movie.grade, kDefaultGrade},
                                                            {&movie.rating, kDefaultRating}};
    for (const auto& [field, fallback] : shortFields)
        if (field->isEmpty())
            *field = L(fallback);
}

QString ActorDisplayName(const QString& last, const QString& first)
{
    return QString(last + QStringLiteral(", ") + first);
}

Placement Place(const QString& title, const QString& year, const TitleLookup& stored)
{
    const QString y = year.trimmed();
    const std::optional<Titled> same = stored(title);
    if (!same)
        return {0, title, false};
    if (y.isEmpty() || same->year.trimmed().compare(y, Qt::CaseInsensitive) == 0)
        return {same->id, title, false};
    for (int n = 1;; ++n) {
        const QString candidate =
            n == 1 ? QStringLiteral("%1 (%2)").arg(title, y) : QStringLiteral("%1 (%2) (%3)").arg(title, y).arg(n);
        const std::optional<Titled> there = stored(candidate);
        if (!there)
            return {0, candidate, true};
        if (there->year.trimmed().compare(y, Qt::CaseInsensitive) == 0)
            return {there->id, candidate, true};
    }
}

void AddBulkObserver(BulkObserver observer)
{
    observers().push_back(std::move(observer));
}

struct MovieWriter::Statements
{
    explicit Statements(const store::Connection& db)
        : title(db, QStringLiteral("SELECT [Movie_ID], [Year_Released] FROM [tbl_Movie_Title] WHERE [Movie_Title] = ? "
                                   "ORDER BY [Movie_ID] LIMIT 1")),
          actorFind(db, QStringLiteral("SELECT [Actor_ID] FROM [tbl_Actor] WHERE (ifnull([Actor_Last_Name], '') || "
                                       "', ' || ifnull([Actor_First_Name], '')) COLLATE NOCASE = ?3 AND "
                                       "[Actor_Last_Name] = ?1 AND [Actor_First_Name] = ?2 LIMIT 1")),
          actorAdd(db, QStringLiteral("INSERT INTO [tbl_Actor] ([Actor_Last_Name], [Actor_First_Name]) VALUES (?, ?)")),
          linked(db, QStringLiteral("SELECT 1 FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ? AND [Movie_ID] = ?")),
          link(db, QStringLiteral("INSERT INTO [tbl_Actor_Movie_Join] ([Actor_ID], [Movie_ID]) VALUES (?, ?)"))
    {
        QString columns, marks, sets;
        for (const store::Credit& c : store::kCredits) {
            columns += QStringLiteral(", [%1]").arg(L(c.key));
            marks += QStringLiteral(", ?");
            sets += QStringLiteral("[%1] = ?, ").arg(L(c.key));
            creditFind.push_back(std::make_unique<store::Statement>(
                db,
                QStringLiteral("SELECT [%1] FROM [%2] WHERE [%3] = ? LIMIT 1").arg(L(c.key), L(c.table), L(c.name))));
            creditAdd.push_back(std::make_unique<store::Statement>(
                db, QStringLiteral("INSERT INTO [%1] ([%2]) VALUES (?)").arg(L(c.table), L(c.name))));
        }
        insert = std::make_unique<store::Statement>(
            db, QStringLiteral("INSERT INTO [tbl_Movie_Title] ([Movie_Title]%1, [Length], [Year_Released], [Grade], "
                               "[Rating], [Widescreen], [Movie_ID]) VALUES (?%2, ?, ?, ?, ?, ?, ?)")
                    .arg(columns, marks));
        update = std::make_unique<store::Statement>(
            db, QStringLiteral("UPDATE [tbl_Movie_Title] SET [Movie_Title] = ?, %1[Length] = ?, [Year_Released] = ?, "
                               "[Grade] = ?, [Rating] = ?, [Widescreen] = CASE WHEN ? THEN ? ELSE [Widescreen] END "
                               "WHERE [Movie_ID] = ?")
                    .arg(sets));
    }
    store::Statement title, actorFind, actorAdd, linked, link;
    std::vector<std::unique_ptr<store::Statement>> creditFind, creditAdd;
    std::unique_ptr<store::Statement> insert, update;
};

MovieWriter::MovieWriter(store::Connection& db) : m_db(db), m_q(std::make_unique<Statements>(db)) {}

MovieWriter::~MovieWriter() = default;

std::optional<Titled> MovieWriter::Stored(const QString& title)
{
    store::Statement& q = m_q->title;
    q.reset();
    q.bind(1, title);
    std::optional<Titled> found;
    if (q.step())
        found = Titled{q.column(0).toLongLong(), q.column(1).toString()};
    q.reset();
    return found;
}

Placement MovieWriter::Place(const QString& title, const QString& year)
{
    return catalog::Place(title, year, [this](const QString& t) { return Stored(t); });
}

qint64 MovieWriter::credit(std::size_t index, const QString& name)
{
    if (const auto it = m_names[index].constFind(name); it != m_names[index].constEnd())
        return *it;
    store::Statement& find = *m_q->creditFind[index];
    find.reset();
    find.bind(1, name);
    qint64 id = find.step() ? find.column(0).toLongLong() : 0;
    find.reset();
    if (!id) {
        store::Statement& add = *m_q->creditAdd[index];
        add.reset();
        add.bind(1, name);
        add.run();
        id = m_db.lastInsertRowId();
    }
    m_names[index].insert(name, id);
    return id;
}

qint64 MovieWriter::actor(const QString& last, const QString& first)
{
    const QString key = last + QChar(0x1f) + first;
    if (const auto it = m_actors.constFind(key); it != m_actors.constEnd())
        return *it;
    store::Statement& find = m_q->actorFind;
    find.reset();
    find.bindAll({last, first, ActorDisplayName(last, first)});
    qint64 id = find.step() ? find.column(0).toLongLong() : 0;
    find.reset();
    if (!id) {
        store::Statement& add = m_q->actorAdd;
        add.reset();
        add.bindAll({last, first});
        add.run();
        id = m_db.lastInsertRowId();
    }
    m_actors.insert(key, id);
    return id;
}

void MovieWriter::linkCast(qint64 movieId, const Movie& movie, bool checkExisting)
{
    QSet<qint64> linked; // one link per actor and movie
    for (const auto& [last, first] : movie.cast) {
        const qint64 id = actor(last, first);
        if (linked.contains(id))
            continue;
        linked.insert(id);
        if (checkExisting) {
            store::Statement& there = m_q->linked;
            there.reset();
            there.bindAll({id, movieId});
            const bool found = there.step();
            there.reset();
            if (found)
                continue;
        }
        store::Statement& link = m_q->link;
        link.reset();
        link.bindAll({id, movieId});
        link.run();
        ++m_links;
    }
}

void MovieWriter::writeRow(qint64 id, const Movie& given, bool add)
{
    Movie movie = given;
    ApplyDefaults(movie);
    std::array<qint64, store::kCredits.size()> credits{};
    for (std::size_t i = 0; i < credits.size(); ++i)
        credits[i] = credit(i, movie.credits[i]);
    store::Statement& row = add ? *m_q->insert : *m_q->update;
    row.reset();
    int p = 1;
    row.bind(p++, movie.title);
    for (qint64 key : credits)
        row.bind(p++, key);
    for (const QString* field : {&movie.length, &movie.year, &movie.grade, &movie.rating})
        row.bind(p++, *field);
    if (add) {
        row.bind(p++, movie.widescreen);
    } else {
        // A stored flag that already says the same keeps its own spelling ('Yes', -1...).
        store::Statement stored(m_db,
                                QStringLiteral("SELECT [Widescreen] FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
        stored.bind(1, id);
        const bool same = stored.step() && store::IsTrue(stored.column(0)) == movie.widescreen;
        row.bind(p++, !same);
        row.bind(p++, movie.widescreen);
    }
    row.bind(p++, id);
    row.run();
}

qint64 MovieWriter::Add(const Movie& movie)
{
    if (m_nextId == 0) {
        // Above the links too: a movie deleted by another program may have left its cast behind,
        // and a new movie must not take over those links with its key.
        store::Statement top(m_db,
                             QStringLiteral("SELECT max(ifnull((SELECT max([Movie_ID]) FROM [tbl_Movie_Title]), 0), "
                                            "ifnull((SELECT max([Movie_ID]) FROM [tbl_Actor_Movie_Join]), 0)) + 1"));
        m_nextId = top.step() ? top.column(0).toLongLong() : 1;
    }
    const qint64 id = m_nextId++;
    writeRow(id, movie, true);
    linkCast(id, movie, false);
    if (m_bulk)
        m_written.push_back(id);
    return id;
}

void MovieWriter::Overwrite(qint64 id, const Movie& movie)
{
    writeRow(id, movie, false);
    linkCast(id, movie, true);
    if (m_bulk)
        m_written.push_back(id);
}

bool MovieWriter::Delete(qint64 id)
{
    QString keys;
    for (const store::Credit& c : store::kCredits)
        keys += (keys.isEmpty() ? QString() : QStringLiteral(", ")) + QLatin1Char('[') + L(c.key) + QLatin1Char(']');
    store::Statement movie(m_db, QStringLiteral("SELECT %1 FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?").arg(keys));
    movie.bind(1, id);
    if (!movie.step())
        return false;
    std::array<QVariant, store::kCredits.size()> credits;
    for (std::size_t i = 0; i < credits.size(); ++i)
        credits[i] = movie.column(int(i));
    movie.reset();

    store::Statement del(m_db, QStringLiteral("DELETE FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
    del.bind(1, id);
    del.run();
    // A credit no other movie names goes too; the "Unknown" entries stay (compared as written).
    for (std::size_t i = 0; i < credits.size(); ++i) {
        if (credits[i].isNull())
            continue;
        const store::Credit& c = store::kCredits[i];
        store::Statement used(m_db,
                              QStringLiteral("SELECT 1 FROM [tbl_Movie_Title] WHERE [%1] = ? LIMIT 1").arg(L(c.key)));
        used.bind(1, credits[i]);
        if (used.step())
            continue;
        store::Statement orphan(
            m_db, QStringLiteral("DELETE FROM [%1] WHERE [%2] = ?1 AND [%3] COLLATE BINARY IS NOT 'Unknown' "
                                 "AND (SELECT count(*) FROM [%1] WHERE [%2] = ?1) = 1")
                      .arg(L(c.table), L(c.key), L(c.name)));
        orphan.bind(1, credits[i]);
        orphan.run();
    }
    // The cast links, and the actors no other movie has.
    std::vector<qint64> actors;
    store::Statement cast(m_db, QStringLiteral("SELECT [Actor_ID] FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = ?"));
    cast.bind(1, id);
    while (cast.step())
        actors.push_back(cast.column(0).toLongLong());
    cast.reset();
    store::Statement unlink(m_db, QStringLiteral("DELETE FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = ?"));
    unlink.bind(1, id);
    unlink.run();
    store::Statement lone(m_db, QStringLiteral("DELETE FROM [tbl_Actor] WHERE [Actor_ID] = ?1 AND NOT EXISTS "
                                               "(SELECT 1 FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ?1)"));
    for (qint64 actorId : actors) {
        lone.reset();
        lone.bind(1, actorId);
        lone.run();
    }
    return true;
}

void MovieWriter::BeginBulk()
{
    m_bulk = true;
    m_written.clear();
    for (const BulkObserver& o : observers())
        if (o.begin)
            o.begin(m_db);
}

bool MovieWriter::FinishBulk(const Progress& progress)
{
    m_bulk = false;
    std::sort(m_written.begin(), m_written.end());
    m_written.erase(std::unique(m_written.begin(), m_written.end()), m_written.end());
    for (const BulkObserver& o : observers())
        if (o.end && !o.end(m_db, m_written, progress))
            return false;
    return true;
}

} // namespace catalog
