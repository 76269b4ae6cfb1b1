#include "catalog/MovieWriter.h"

#include "catalog/MovieValues.h"
#include "store/Values.h"

#include <QSet>
#include <algorithm>
#include <sqlite3.h>

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

QStringList Names(const Movie& movie, std::size_t credit)
{
    QStringList names = movie.moreNames[credit];
    if (!movie.credits[credit].isEmpty())
        names.prepend(movie.credits[credit]);
    return names;
}

void SetNames(Movie& movie, std::size_t credit, const QStringList& names)
{
    movie.credits[credit] = names.value(0);
    movie.moreNames[credit] = names.mid(1);
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
          link(db, QStringLiteral("INSERT INTO [tbl_Actor_Movie_Join] ([Actor_ID], [Movie_ID]) VALUES (?, ?)")),
          // Upserts, not replaces: a replaced row is deleted without its delete triggers, and the
          // find index would keep the old name.
          character(db, QStringLiteral("INSERT INTO [tbl_Cast_Character] ([Movie_ID], [Actor_ID], [Character]) "
                                       "VALUES (?, ?, ?) ON CONFLICT DO UPDATE SET [Character] = "
                                       "excluded.[Character]")),
          moreAdd(db, QStringLiteral("INSERT INTO [tbl_Movie_More_Name] ([Movie_ID], [Credit], [Position], [Name_ID]) "
                                     "VALUES (?, ?, ?, ?)")),
          detailsSet(db, QStringLiteral("INSERT INTO [tbl_Movie_Details] ([Movie_ID], [Original_Title], [Plot], "
                                        "[Notes], [Personal_Rating], [Watched], [Purchased], [Price], [IMDb_ID], "
                                        "[TMDb_ID]) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO UPDATE SET "
                                        "[Original_Title] = excluded.[Original_Title], [Plot] = excluded.[Plot], "
                                        "[Notes] = excluded.[Notes], [Personal_Rating] = excluded.[Personal_Rating], "
                                        "[Watched] = excluded.[Watched], [Purchased] = excluded.[Purchased], "
                                        "[Price] = excluded.[Price], [IMDb_ID] = excluded.[IMDb_ID], [TMDb_ID] = "
                                        "excluded.[TMDb_ID]")),
          barcodeAdd(db, QStringLiteral("INSERT INTO [tbl_Movie_Barcode] ([Movie_ID], [Position], [Barcode]) "
                                        "VALUES (?, ?, ?)")),
          fieldAdd(db, QStringLiteral("INSERT INTO [tbl_Movie_Field] ([Movie_ID], [Position], [Name], [Value]) "
                                      "VALUES (?, ?, ?, ?)"))
    {
        for (const char* table : {"tbl_Movie_More_Name", "tbl_Movie_Details", "tbl_Movie_Barcode", "tbl_Movie_Field"})
            clear.push_back(std::make_unique<store::Statement>(
                db, QStringLiteral("DELETE FROM [%1] WHERE [Movie_ID] = ?").arg(L(table))));
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
    store::Statement title, actorFind, actorAdd, linked, link, character;
    store::Statement moreAdd, detailsSet, barcodeAdd, fieldAdd;
    std::vector<std::unique_ptr<store::Statement>> creditFind, creditAdd, clear;
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
    for (const CastMember& member : movie.cast) {
        const qint64 id = actor(member.last, member.first);
        if (!member.character.isEmpty()) {
            store::Statement& character = m_q->character;
            character.reset();
            character.bindAll({movieId, id, member.character});
            character.run();
        }
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

void MovieWriter::writeMore(qint64 id, const Movie& movie, bool add)
{
    if (!add)
        for (const auto& clear : m_q->clear) {
            clear->reset();
            clear->bind(1, id);
            clear->run();
        }
    const auto run = [](store::Statement& q, const std::vector<QVariant>& values) {
        q.reset();
        q.bindAll(values);
        q.run();
    };
    for (std::size_t i = 0; i < movie.moreNames.size(); ++i)
        for (qsizetype n = 0; n < movie.moreNames[i].size(); ++n)
            run(m_q->moreAdd,
                {id, L(store::kCredits[i].key), n + 2, credit(i, movie.moreNames[i][n])}); // the first is 1
    const auto text = [](const QString& value) { return value.isEmpty() ? QVariant() : QVariant(value); };
    const auto date = [](const QDate& value) {
        return value.isValid() ? QVariant(value.toString(Qt::ISODate)) : QVariant();
    };
    const std::vector<QVariant> details{
        text(movie.originalTitle), text(movie.plot),
        text(movie.notes),         movie.personalRating ? QVariant(*movie.personalRating) : QVariant(),
        date(movie.watched),       date(movie.purchased),
        text(movie.price),         text(movie.imdbId),
        text(movie.tmdbId)};
    if (std::any_of(details.begin(), details.end(), [](const QVariant& v) { return !v.isNull(); })) {
        std::vector<QVariant> row{id};
        row.insert(row.end(), details.begin(), details.end());
        run(m_q->detailsSet, row);
    }
    for (qsizetype n = 0; n < movie.barcodes.size(); ++n)
        run(m_q->barcodeAdd, {id, n + 1, movie.barcodes[n]});
    for (std::size_t n = 0; n < movie.fields.size(); ++n)
        run(m_q->fieldAdd, {id, qint64(n) + 1, movie.fields[n].name, movie.fields[n].value});
}

namespace {

// The movie as it is written, or the refusal of all of it.
Movie keepable(const Movie& given)
{
    Movie movie = given;
    Normalize(movie);
    if (const QStringList refused = Refusals(movie); !refused.isEmpty())
        throw store::StoreError(SQLITE_CONSTRAINT, QStringLiteral("The movie \"%1\" cannot be kept as it is. %2")
                                                       .arg(movie.title, refused.join(QLatin1Char(' '))));
    return movie;
}

} // namespace

qint64 MovieWriter::Add(const Movie& given)
{
    const Movie movie = keepable(given);
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
    writeMore(id, movie, true);
    linkCast(id, movie, false);
    if (m_bulk)
        m_written.push_back(id);
    return id;
}

void MovieWriter::Overwrite(qint64 id, const Movie& given)
{
    const Movie movie = keepable(given);
    writeRow(id, movie, false);
    writeMore(id, movie, false);
    linkCast(id, movie, true);
    if (m_bulk)
        m_written.push_back(id);
}

void MovieWriter::SetCharacter(qint64 movieId, qint64 actorId, const QString& character)
{
    const QString text = character.trimmed();
    if (text.size() > kMaxLine)
        throw store::StoreError(SQLITE_CONSTRAINT,
                                QStringLiteral("A character's name is longer than %1 characters.").arg(kMaxLine));
    store::Statement& there = m_q->linked;
    there.reset();
    there.bindAll({actorId, movieId});
    const bool linked = there.step();
    there.reset();
    if (!linked)
        throw store::StoreError(SQLITE_CONSTRAINT, QStringLiteral("This actor is not in the movie's cast."));
    if (text.isEmpty()) {
        store::Statement forget(m_db, QStringLiteral("DELETE FROM [tbl_Cast_Character] WHERE [Movie_ID] = ? AND "
                                                     "[Actor_ID] = ?"));
        forget.bindAll({movieId, actorId});
        forget.run();
    } else {
        store::Statement& set = m_q->character;
        set.reset();
        set.bindAll({movieId, actorId, text});
        set.run();
    }
    if (m_bulk)
        m_written.push_back(movieId);
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
    // The names it has in every place: its own columns, then its more names.
    std::array<QList<QVariant>, store::kCredits.size()> names;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (const QVariant key = movie.column(int(i)); !key.isNull())
            names[i] << key;
    movie.reset();
    store::Statement more(m_db, QStringLiteral("SELECT DISTINCT [Credit], [Name_ID] FROM [tbl_Movie_More_Name] "
                                               "WHERE [Movie_ID] = ?"));
    more.bind(1, id);
    while (more.step())
        for (std::size_t i = 0; i < names.size(); ++i)
            if (more.column(0).toString() == L(store::kCredits[i].key) && !names[i].contains(more.column(1)))
                names[i] << more.column(1);
    more.reset();

    // Its more names, details, barcodes and fields go with its row.
    store::Statement del(m_db, QStringLiteral("DELETE FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
    del.bind(1, id);
    del.run();
    // A credit no other movie names, in any place, goes too; the "Unknown" entries stay (compared as
    // written).
    store::Statement namedMore(m_db, QStringLiteral("SELECT 1 FROM [tbl_Movie_More_Name] WHERE [Credit] = ? AND "
                                                    "[Name_ID] = ? LIMIT 1"));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const store::Credit& c = store::kCredits[i];
        for (const QVariant& key : std::as_const(names[i])) {
            store::Statement used(
                m_db, QStringLiteral("SELECT 1 FROM [tbl_Movie_Title] WHERE [%1] = ? LIMIT 1").arg(L(c.key)));
            used.bind(1, key);
            if (used.step())
                continue;
            namedMore.reset();
            namedMore.bindAll({L(c.key), key});
            const bool namedElsewhere = namedMore.step();
            namedMore.reset();
            if (namedElsewhere)
                continue;
            store::Statement orphan(
                m_db, QStringLiteral("DELETE FROM [%1] WHERE [%2] = ?1 AND [%3] COLLATE BINARY IS NOT 'Unknown' "
                                     "AND (SELECT count(*) FROM [%1] WHERE [%2] = ?1) = 1")
                          .arg(L(c.table), L(c.key), L(c.name)));
            orphan.bind(1, key);
            orphan.run();
        }
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

struct MovieReader::Statements
{
    explicit Statements(const store::Connection& db)
        : cast(db, QStringLiteral("SELECT a.[Actor_Last_Name], a.[Actor_First_Name], c.[Character] FROM "
                                  "[tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] AS a ON a.[Actor_ID] = j.[Actor_ID] "
                                  "LEFT JOIN [tbl_Cast_Character] AS c ON c.[Movie_ID] = j.[Movie_ID] AND "
                                  "c.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_ID] = ? ORDER BY j.rowid")),
          details(db, QStringLiteral("SELECT [Original_Title], [Plot], [Notes], [Personal_Rating], [Watched], "
                                     "[Purchased], [Price], [IMDb_ID], [TMDb_ID] FROM [tbl_Movie_Details] "
                                     "WHERE [Movie_ID] = ?")),
          barcodes(db, QStringLiteral("SELECT [Barcode] FROM [tbl_Movie_Barcode] WHERE [Movie_ID] = ? "
                                      "ORDER BY [Position]")),
          fields(db, QStringLiteral("SELECT [Name], [Value] FROM [tbl_Movie_Field] WHERE [Movie_ID] = ? "
                                    "ORDER BY [Position]"))
    {
        QString names, joins, more;
        for (std::size_t i = 0; i < store::kCredits.size(); ++i) {
            const store::Credit& c = store::kCredits[i];
            names += QStringLiteral(", n%1.[%2]").arg(i).arg(L(c.name));
            joins += QStringLiteral(" LEFT JOIN [%1] AS n%2 ON n%2.[%3] = m.[%3]").arg(L(c.table)).arg(i).arg(L(c.key));
            more += QStringLiteral("%1SELECT %2, x.[Position], n.[%3] FROM [tbl_Movie_More_Name] AS x JOIN [%4] AS n "
                                   "ON n.[%5] = x.[Name_ID] WHERE x.[Movie_ID] = ?1 AND x.[Credit] = '%5'")
                        .arg(i ? QStringLiteral(" UNION ALL ") : QString())
                        .arg(i)
                        .arg(L(c.name), L(c.table), L(c.key));
        }
        row = std::make_unique<store::Statement>(
            db, QStringLiteral("SELECT m.[Movie_Title]%1, m.[Length], m.[Year_Released], m.[Grade], m.[Rating], "
                               "m.[Widescreen] FROM [tbl_Movie_Title] AS m%2 WHERE m.[Movie_ID] = ?")
                    .arg(names, joins));
        moreNames = std::make_unique<store::Statement>(db, more + QStringLiteral(" ORDER BY 1, 2"));
    }
    store::Statement cast, details, barcodes, fields;
    std::unique_ptr<store::Statement> row, moreNames;
};

MovieReader::MovieReader(const store::Connection& db) : m_q(std::make_unique<Statements>(db)) {}

MovieReader::~MovieReader() = default;

std::optional<Movie> MovieReader::Read(qint64 id)
{
    const auto start = [id](store::Statement& q) -> store::Statement& {
        q.reset();
        q.bind(1, id);
        return q;
    };
    store::Statement& row = start(*m_q->row);
    if (!row.step())
        return std::nullopt;
    Movie m;
    m.id = id;
    int c = 0;
    m.title = row.column(c++).toString();
    for (QString& credit : m.credits)
        credit = row.column(c++).toString();
    for (QString* field : {&m.length, &m.year, &m.grade, &m.rating})
        *field = row.column(c++).toString();
    m.widescreen = store::IsTrue(row.column(c++));
    row.reset();
    store::Statement& cast = start(m_q->cast);
    while (cast.step())
        m.cast.push_back({cast.column(0).toString(), cast.column(1).toString(), cast.column(2).toString()});
    cast.reset();
    ReadMore(id, m);
    return m;
}

void MovieReader::ReadMore(qint64 id, Movie& m)
{
    const auto start = [id](store::Statement& q) -> store::Statement& {
        q.reset();
        q.bind(1, id);
        return q;
    };
    store::Statement& more = start(*m_q->moreNames);
    while (more.step())
        m.moreNames[std::size_t(more.column(0).toInt())] << more.column(2).toString();
    more.reset();
    store::Statement& details = start(m_q->details);
    if (details.step()) {
        int c = 0;
        m.originalTitle = details.column(c++).toString();
        m.plot = details.column(c++).toString();
        m.notes = details.column(c++).toString();
        if (const QVariant rating = details.column(c++); !rating.isNull())
            m.personalRating = rating.toDouble();
        m.watched = QDate::fromString(details.column(c++).toString(), Qt::ISODate);
        m.purchased = QDate::fromString(details.column(c++).toString(), Qt::ISODate);
        m.price = details.column(c++).toString();
        m.imdbId = details.column(c++).toString();
        m.tmdbId = details.column(c++).toString();
    }
    details.reset();
    store::Statement& barcodes = start(m_q->barcodes);
    while (barcodes.step())
        m.barcodes << barcodes.column(0).toString();
    barcodes.reset();
    store::Statement& fields = start(m_q->fields);
    while (fields.step())
        m.fields.push_back({fields.column(0).toString(), fields.column(1).toString()});
    fields.reset();
}

std::optional<Movie> ReadMovie(const store::Connection& db, qint64 id)
{
    return MovieReader(db).Read(id);
}

} // namespace catalog
