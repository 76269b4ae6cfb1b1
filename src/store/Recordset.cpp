#include "store/Recordset.h"

#include <QRegularExpression>
#include <algorithm>

namespace store {

namespace {

// The engine's own numbers for these situations, so messages read as they always have.
constexpr int kNoCurrentRecord = 3021;
constexpr int kItemNotFound = 3265;
constexpr int kNotUpdatable = 3027;
constexpr int kNoEdit = 3020;
constexpr int kClosed = 3420;
constexpr int kDeleted = 3167;

const QString kKeyAlias = QStringLiteral("__rk_key");

// The keys first read from either end of an ordered set: the first and last screens and then some.
constexpr qint64 kFirst = 256;

QString normalise(QString name)
{
    name = name.trimmed();
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    return name.toLower();
}

QString quoted(const QString& name)
{
    return QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace

QVariant Field::Value() const
{
    return m_set->read(m_column);
}

void Field::SetValue(const QVariant& value)
{
    m_set->write(m_column, value);
}

Recordset::Recordset(const Connection& db, const QString& sql, std::vector<QVariant> params)
    : m_db(&db), m_sql(sql), m_runSql(sql), m_params(std::move(params))
{
    static const QRegularExpression starFrom(QStringLiteral(R"(^\s*select\s+\*\s+from\s+(\[([^\]]+)\]|(\w+))(?=\s|$))"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = starFrom.match(sql);
    if (m.hasMatch()) {
        const QString source = m.captured(2).isEmpty() ? m.captured(3) : m.captured(2);
        Statement kind(db, QStringLiteral("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE"));
        kind.bind(1, source);
        const QString type = kind.step() ? kind.column(0).toString() : QString();
        const QString rest = sql.mid(m.capturedEnd(0));
        if (type == QLatin1String("table")) {
            m_table = source;
            m_keyed = true;
            m_runSql =
                QStringLiteral("SELECT rowid AS ") + kKeyAlias + QStringLiteral(", * FROM ") + quoted(source) + rest;
        } else if (type == QLatin1String("view")) {
            // The movie view has one row per movie, so its Movie_ID keys the set.
            if (source.compare(QLatin1String("qry_Movie_Title"), Qt::CaseInsensitive) == 0) {
                useMovieView();
                m_runSql = QStringLiteral("SELECT [Movie_ID] AS ") + kKeyAlias + QStringLiteral(" FROM ") +
                           quoted(source) + rest;
            }
        }
    }
    load();
}

Recordset::Recordset(const Connection& db, const SortedKeys& order, std::vector<QVariant> params)
    : m_db(&db), m_sql(order.keys), m_runSql(order.keys), m_params(std::move(params)), m_countSql(order.count),
      m_memberSql(order.member), m_walkSql(order.walk), m_backSql(order.keysBack), m_walkBackSql(order.walkBack),
      m_counter(order.counter), m_atSql(order.at), m_beyond(order.beyond)
{
    useMovieView();
    load();
}

void Recordset::useMovieView()
{
    const QString view = QStringLiteral("qry_Movie_Title");
    m_deleteView = view;
    m_keyed = true;
    m_lazy = true;
    // Prepared only, for the column names, which the view alone decides.
    Statement shape(*m_db, QStringLiteral("SELECT * FROM ") + quoted(view));
    for (int i = 0; i < shape.columnCount(); ++i)
        m_columns << shape.columnName(i);
    for (int i = int(m_columns.size()) - 1; i >= 0; --i)
        m_index.insert(m_columns[i].toLower(), i);
    m_stride = int(m_columns.size()) + 1;
    m_rowSql = QStringLiteral("SELECT [Movie_ID], * FROM ") + quoted(view) + QStringLiteral(" WHERE [Movie_ID] IN (");
}

qint64 Recordset::dataVersion() const
{
    Statement q(*m_db, QStringLiteral("PRAGMA data_version"));
    return q.step() ? q.column(0).toLongLong() : -1;
}

bool Recordset::IsStale() const
{
    return m_dataVersion != dataVersion();
}

void Recordset::readKeys(qint64 row, bool fromStart) const
{
    const qint64 have = qint64(m_keys.size()), behind = qint64(m_tail.size());
    const qint64 fromEnd = m_count - 1 - row;
    if (m_allKeys || row < have || (!fromStart && knownKey(row)))
        return;
    if (!fromStart && growMiddle(row))
        return;
    // The first block for the first screen; past it, blocks three times what is read so far. The
    // engine walks the order from its start for each, so a few growing blocks cost about what one
    // read of the rest would, while a move past the first screen reads thousands of keys, not all
    // of them. No statement stays open between reads, so the set never holds the catalogue's read
    // lock while the user looks at it.
    const auto read = [this](std::vector<qint64>& into, const QString& sql, qint64 want, qint64 skip) {
        Statement q(*m_db, sql + QStringLiteral(" LIMIT ? OFFSET ?"));
        std::vector<QVariant> params = m_params;
        params.emplace_back(want);
        params.emplace_back(skip);
        q.bindAll(params);
        while (q.step())
            into.push_back(q.column(0).toLongLong());
    };
    // A row nearer the end (the last row a Ctrl+End asks for) is read backwards, so it costs what
    // the first screen does, while the two ends stay apart.
    if (!fromStart && !m_backSql.isEmpty() && fromEnd >= 0 && fromEnd - behind < row - have) {
        const qint64 want = behind == 0 ? qMax(kFirst, fromEnd + 1) : qMax(3 * behind, fromEnd + 1 - behind);
        if (have + behind + want < m_count) {
            read(m_tail, walks(behind, want) ? m_walkBackSql : m_backSql, want, behind);
            if (qint64(m_tail.size()) - behind == want)
                return;
            // Fewer than counted: another program took movies away; read on from the start.
        }
    }
    qint64 want = have == 0 ? qMax(kFirst, row + 1) : qMax(3 * have, row + 1 - have);
    if (fromStart || (have > 0 && have + want >= m_count - behind))
        want = -1; // the rest, however many another program has left by now
    read(m_keys, walks(have, want) ? m_walkSql : m_runSql, want, have);
    if (want < 0 || qint64(m_keys.size()) - have < want) {
        m_allKeys = true;
        m_count = qint64(m_keys.size()); // another program may have changed the count since
        m_tail.clear();                  // read again with the rest
        m_mid.clear();
    }
}

std::optional<Recordset::Place> Recordset::placeOf(qint64 key) const
{
    for (int part = 0; part < int(m_atSql.size()); ++part) {
        Statement at(*m_db, m_atSql[part]);
        at.bind(1, key);
        if (!at.step())
            continue;
        std::vector<QVariant> values;
        for (int i = 0; i < at.columnCount(); ++i)
            values.push_back(at.column(i));
        return Place{part, std::move(values)};
    }
    return std::nullopt;
}

// Runs the order's statement from the movie at `place`: the count of the keys after it when `want`
// is negative (-1 when the engine gives none), else up to `want` keys after (before, when `back`)
// it into `into`, and how many.
qint64 Recordset::fromPlace(const Place& place, bool back, qint64 want, std::vector<qint64>* into) const
{
    const SortedKeys::Beyond beyond = m_beyond(place.first, place.second, back, want < 0);
    Statement q(*m_db, want < 0 ? beyond.sql : beyond.sql + QStringLiteral(" LIMIT ?"));
    std::vector<QVariant> params = m_params;
    params.insert(params.end(), beyond.values.begin(), beyond.values.end());
    if (want >= 0)
        params.emplace_back(want);
    q.bindAll(params);
    if (want < 0)
        return q.step() ? q.column(0).toLongLong() : -1;
    qint64 read = 0;
    for (; q.step(); ++read)
        into->push_back(q.column(0).toLongLong());
    return read;
}

bool Recordset::readBeyond(std::vector<qint64>& into, qint64 key, bool back, qint64 want) const
{
    const std::optional<Place> place = placeOf(key);
    return place && fromPlace(*place, back, want, &into) == want;
}

// Reads on from the middle keys when `row` is nearer them than either end; false when it is not, or
// when another program has changed the order since, which drops them.
bool Recordset::growMiddle(qint64 row) const
{
    if (m_mid.empty())
        return false;
    const qint64 midEnd = m_midFrom + qint64(m_mid.size());
    const qint64 away = row < m_midFrom ? m_midFrom - row : row - midEnd + 1;
    const qint64 fromEnd = m_count - 1 - row;
    if (away > row - qint64(m_keys.size()) ||
        (!m_backSql.isEmpty() && fromEnd >= qint64(m_tail.size()) && away > fromEnd - qint64(m_tail.size())))
        return false;
    const qint64 grow = std::max({qint64(256), away, qint64(m_mid.size())});
    std::vector<qint64> read;
    if (row < m_midFrom) {
        const qint64 want = qMin(grow, m_midFrom);
        if (readBeyond(read, m_mid.front(), true, want)) {
            m_mid.insert(m_mid.begin(), read.rbegin(), read.rend());
            m_midFrom -= want;
        } else {
            m_mid.clear();
        }
    } else {
        if (readBeyond(read, m_mid.back(), false, qMin(grow, m_count - midEnd)))
            m_mid.insert(m_mid.end(), read.begin(), read.end());
        else
            m_mid.clear();
    }
    joinMiddle();
    return !m_mid.empty() || knownKey(row).has_value();
}

// Places the set on a movie not read yet by counting the keys after it and reading a screen either
// side of it, instead of every key up to it; nullopt when the order cannot, or another program has
// changed it since the count.
std::optional<qint64> Recordset::seek(qint64 key)
{
    if (m_atSql.isEmpty() || !m_beyond)
        return std::nullopt;
    const std::optional<Place> place = placeOf(key);
    if (!place)
        return std::nullopt;
    const qint64 after = fromPlace(*place, false, -1, nullptr);
    const qint64 row = m_count - 1 - (after >= 0 ? after : m_count);
    constexpr qint64 kSide = 128;
    std::vector<qint64> before, later;
    if (row < 0 || fromPlace(*place, true, qMin(kSide, row), &before) != qMin(kSide, row) ||
        fromPlace(*place, false, qMin(kSide, m_count - 1 - row), &later) != qMin(kSide, m_count - 1 - row))
        return std::nullopt;
    m_mid.assign(before.rbegin(), before.rend());
    m_mid.push_back(key);
    m_mid.insert(m_mid.end(), later.begin(), later.end());
    m_midFrom = row - qint64(before.size());
    joinMiddle();
    return row;
}

void Recordset::joinMiddle() const
{
    if (!m_mid.empty() && m_midFrom <= qint64(m_keys.size())) {
        m_keys.resize(std::size_t(m_midFrom));
        m_keys.insert(m_keys.end(), m_mid.begin(), m_mid.end());
        m_mid.clear();
    }
}

// Walking the order asks about movies / found movies per key read; sorting what is found costs about
// a step per movie found. So past the first block the walk goes on while it would ask no more movies
// than are found.
bool Recordset::walks(qint64 from, qint64 want) const
{
    return m_walkFirst && want > 0 && (from == 0 || (from + want) * m_movies <= m_count * m_count);
}

std::optional<qint64> Recordset::knownKey(qint64 row) const
{
    if (row >= 0 && row < qint64(m_keys.size()))
        return m_keys[std::size_t(row)];
    const qint64 fromEnd = m_count - 1 - row;
    if (row >= 0 && fromEnd >= 0 && fromEnd < qint64(m_tail.size()))
        return m_tail[std::size_t(fromEnd)];
    if (row >= m_midFrom && row - m_midFrom < qint64(m_mid.size()))
        return m_mid[std::size_t(row - m_midFrom)];
    return std::nullopt;
}

QVariant Recordset::keyAt(qint64 row) const
{
    if (!m_lazy)
        return m_rows[std::size_t(row * m_stride)];
    readKeys(row);
    const std::optional<qint64> key = knownKey(row);
    return key ? QVariant(*key) : QVariant();
}

void Recordset::load()
{
    m_dataVersion = dataVersion();
    if (m_lazy) {
        m_keys.clear();
        m_tail.clear();
        m_mid.clear();
        m_cache.clear();
        m_pos = 0;
        m_onDeleted = false;
        m_mode = EditMode::None;
        if (m_counter || !m_countSql.isEmpty()) {
            if (m_counter) {
                m_count = m_counter();
            } else {
                Statement count(*m_db, m_countSql);
                count.bindAll(m_params);
                m_count = count.step() ? count.column(0).toLongLong() : 0;
            }
            m_allKeys = m_count == 0;
            // Walking the order costs about movies / found cheap questions per row shown; sorting
            // the movies found costs about one step per movie found.
            if (!m_walkSql.isEmpty() && m_count > 0) {
                // The highest key stands in for the count, which would read a whole index.
                Statement all(*m_db, QStringLiteral("SELECT max([Movie_ID]) FROM [tbl_Movie_Title]"));
                m_movies = all.step() ? all.column(0).toLongLong() : 0;
                m_walkFirst = m_count * 100 > m_movies;
            }
            return;
        }
        Statement q(*m_db, m_runSql);
        q.bindAll(m_params);
        while (q.step())
            m_keys.push_back(q.column(0).toLongLong());
        m_count = qint64(m_keys.size());
        m_allKeys = true;
        return;
    }
    Statement q(*m_db, m_runSql);
    q.bindAll(m_params);
    const int first = m_keyed ? 1 : 0;
    const int n = q.columnCount();
    if (m_columns.isEmpty()) {
        for (int i = first; i < n; ++i) {
            const QString name = q.columnName(i);
            m_index.insert(name.toLower(), int(m_columns.size())); // later duplicates win nothing below
            m_columns << name;
        }
        // The first of two equal names is the one a lookup finds.
        for (int i = int(m_columns.size()) - 1; i >= 0; --i)
            m_index.insert(m_columns[i].toLower(), i);
        m_stride = int(m_columns.size()) + 1;
    }
    m_rows.clear();
    while (q.step()) {
        m_rows.push_back(m_keyed ? q.column(0) : QVariant());
        for (int i = first; i < n; ++i)
            m_rows.push_back(q.column(i));
    }
    m_pos = 0;
    m_onDeleted = false;
    m_mode = EditMode::None;
}

void Recordset::requireOpen() const
{
    if (m_closed)
        throw StoreError(kClosed, QStringLiteral("Object invalid or no longer set."));
}

void Recordset::requireCurrent() const
{
    requireOpen();
    if (m_onDeleted)
        throw StoreError(kDeleted, QStringLiteral("Record is deleted."));
    if (m_pos < 0 || m_pos >= rowCount())
        throw StoreError(kNoCurrentRecord, QStringLiteral("No current record."));
}

void Recordset::requireUpdatable() const
{
    requireOpen();
    if (m_table.isEmpty())
        throw StoreError(kNotUpdatable, QStringLiteral("Database or object is read-only."));
}

qint64 Recordset::RecordCount() const
{
    requireOpen();
    return rowCount();
}

bool Recordset::Eof() const
{
    requireOpen();
    return m_pos >= rowCount();
}

bool Recordset::Bof() const
{
    requireOpen();
    return m_pos < 0 || rowCount() == 0;
}

void Recordset::MoveFirst()
{
    requireOpen();
    m_pos = 0;
    m_onDeleted = false;
}

void Recordset::MoveNext()
{
    requireOpen();
    if (m_pos >= rowCount() && !m_onDeleted)
        throw StoreError(kNoCurrentRecord, QStringLiteral("No current record."));
    // After Delete the position already stands on the row that followed the deleted one.
    if (!m_onDeleted)
        ++m_pos;
    m_onDeleted = false;
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (m_pos >= 0)
        --m_pos;
    m_onDeleted = false;
}

void Recordset::MoveLast()
{
    requireOpen();
    m_pos = rowCount() > 0 ? rowCount() - 1 : 0;
    m_onDeleted = false;
}

int Recordset::ColumnIndex(const QString& name) const
{
    return m_index.value(normalise(name), -1);
}

Field Recordset::Fields(const QString& name)
{
    requireOpen();
    const int column = ColumnIndex(name);
    if (column < 0)
        throw StoreError(kItemNotFound, QStringLiteral("Item not found in this collection. (%1)").arg(name));
    return Field(this, column);
}

QVariant Recordset::At(qint64 row, int column) const
{
    if (!m_lazy)
        return m_rows[std::size_t(row * m_stride + column + 1)];
    const std::vector<QVariant>& values = fetched(row);
    return values.empty() ? QVariant() : values[std::size_t(column)];
}

const std::vector<QVariant>& Recordset::fetched(qint64 row) const
{
    static const std::vector<QVariant> kGone;
    constexpr qint64 kBlock = 64;
    const qint64 first = row / kBlock * kBlock;
    const qint64 last = qMin(rowCount(), first + kBlock);
    readKeys(last - 1);
    if (!knownKey(row))
        readKeys(row); // the block's end was read from the other end of the order
    const std::optional<qint64> key = knownKey(row);
    if (!key)
        return kGone;
    if (auto it = m_cache.find(*key); it != m_cache.end())
        return it->second;
    // Fetch the block of rows around this one in one statement; grids look at neighbours next.
    if (m_cache.size() > 16 * 1024)
        m_cache.clear();
    std::vector<QVariant> wanted;
    QString sql = m_rowSql;
    for (qint64 r = first; r < last; ++r) {
        const std::optional<qint64> near = knownKey(r);
        if (!near || m_cache.count(*near))
            continue;
        sql += wanted.empty() ? QStringLiteral("?") : QStringLiteral(", ?");
        wanted.emplace_back(*near);
    }
    sql += QLatin1Char(')');
    Statement q(*m_db, sql);
    q.bindAll(wanted);
    const int n = q.columnCount();
    while (q.step()) {
        std::vector<QVariant> values;
        values.reserve(std::size_t(n - 1));
        for (int i = 1; i < n; ++i)
            values.push_back(q.column(i));
        m_cache.insert_or_assign(q.column(0).toLongLong(), std::move(values));
    }
    // A row another program deleted since the requery reads as empty.
    if (auto it = m_cache.find(*key); it != m_cache.end())
        return it->second;
    return kGone;
}

QVariant Recordset::read(int column) const
{
    if (m_mode != EditMode::None)
        return m_buffer[std::size_t(column)];
    requireCurrent();
    return At(m_pos, column);
}

void Recordset::write(int column, const QVariant& value)
{
    if (m_mode == EditMode::None)
        throw StoreError(kNoEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    m_buffer[std::size_t(column)] = value;
    m_dirty[std::size_t(column)] = true;
}

void Recordset::AddNew()
{
    requireUpdatable();
    m_mode = EditMode::Add;
    m_buffer.assign(m_columns.size(), QVariant());
    m_dirty.assign(m_columns.size(), false);
}

void Recordset::Edit()
{
    requireUpdatable();
    requireCurrent();
    m_mode = EditMode::Edit;
    m_buffer.assign(m_rows.begin() + std::ptrdiff_t(m_pos * m_stride + 1),
                    m_rows.begin() + std::ptrdiff_t((m_pos + 1) * m_stride));
    m_dirty.assign(m_columns.size(), false);
}

void Recordset::CancelUpdate()
{
    m_mode = EditMode::None;
}

void Recordset::Update()
{
    requireOpen();
    if (m_mode == EditMode::None)
        throw StoreError(kNoEdit, QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
    QStringList names;
    std::vector<QVariant> values;
    for (int i = 0; i < int(m_columns.size()); ++i) {
        if (m_dirty[std::size_t(i)]) {
            names << quoted(m_columns[i]);
            values.push_back(m_buffer[std::size_t(i)]);
        }
    }
    if (m_mode == EditMode::Add) {
        QString sql = QStringLiteral("INSERT INTO ") + quoted(m_table);
        if (names.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < names.size(); ++i)
                marks << QStringLiteral("?");
            sql += QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                   marks.join(QStringLiteral(", ")) + QStringLiteral(")");
        }
        Statement insert(*m_db, sql);
        insert.bindAll(values);
        insert.run();
        m_lastInsertedKey = m_db->lastInsertRowId();
        m_mode = EditMode::None;
        appendStoredRow(m_lastInsertedKey);
        return;
    }
    const qint64 row = m_pos;
    if (!names.isEmpty()) {
        Statement update(*m_db, QStringLiteral("UPDATE ") + quoted(m_table) + QStringLiteral(" SET ") +
                                    names.join(QStringLiteral(" = ?, ")) + QStringLiteral(" = ? WHERE rowid = ?"));
        values.push_back(keyAt(row));
        update.bindAll(values);
        update.run();
    }
    for (int i = 0; i < int(m_columns.size()); ++i)
        m_rows[std::size_t(row * m_stride + i + 1)] = m_buffer[std::size_t(i)];
    m_mode = EditMode::None;
}

void Recordset::appendStoredRow(qint64 key)
{
    // Read the row back so defaults and the assigned key show as stored.
    Statement q(*m_db, QStringLiteral("SELECT rowid, * FROM ") + quoted(m_table) + QStringLiteral(" WHERE rowid = ?"));
    q.bind(1, key);
    if (!q.step())
        return;
    m_rows.push_back(q.column(0));
    for (const QString& name : std::as_const(m_columns)) {
        QVariant value;
        for (int i = 1; i < q.columnCount(); ++i) {
            if (q.columnName(i).compare(name, Qt::CaseInsensitive) == 0) {
                value = q.column(i);
                break;
            }
        }
        m_rows.push_back(value);
    }
}

void Recordset::Delete()
{
    requireCurrent();
    if (m_table.isEmpty() && m_deleteView.isEmpty())
        throw StoreError(kNotUpdatable, QStringLiteral("Database or object is read-only."));
    const QString sql =
        m_table.isEmpty()
            ? QStringLiteral("DELETE FROM ") + quoted(m_deleteView) + QStringLiteral(" WHERE [Movie_ID] = ?")
            : QStringLiteral("DELETE FROM ") + quoted(m_table) + QStringLiteral(" WHERE rowid = ?");
    Statement del(*m_db, sql);
    del.bind(1, keyAt(m_pos));
    del.run();
    if (m_lazy) {
        // Rows behind it keep their place counted from the end.
        const qint64 fromEnd = m_count - 1 - m_pos, inMid = m_pos - m_midFrom;
        if (m_pos < qint64(m_keys.size()))
            m_keys.erase(m_keys.begin() + std::ptrdiff_t(m_pos));
        else if (fromEnd >= 0 && fromEnd < qint64(m_tail.size()))
            m_tail.erase(m_tail.begin() + std::ptrdiff_t(fromEnd));
        if (inMid >= 0 && inMid < qint64(m_mid.size()))
            m_mid.erase(m_mid.begin() + std::ptrdiff_t(inMid));
        else if (inMid < 0)
            --m_midFrom;
        --m_count;
    } else
        m_rows.erase(m_rows.begin() + std::ptrdiff_t(m_pos * m_stride),
                     m_rows.begin() + std::ptrdiff_t((m_pos + 1) * m_stride));
    m_onDeleted = true;
}

void Recordset::Requery()
{
    requireOpen();
    const std::optional<qint64> current =
        m_lazy && m_keyed && m_pos >= 0 && m_pos < m_count ? knownKey(m_pos) : std::nullopt;
    m_before = current ? std::pair{*current, m_pos} : std::pair<qint64, qint64>{-1, -1};
    load();
}

void Recordset::Close()
{
    m_closed = true;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_keys.clear();
    m_tail.clear();
    m_mid.clear();
    m_cache.clear();
}

QVariant Recordset::Bookmark() const
{
    requireCurrent();
    return m_keyed ? keyAt(m_pos) : QVariant(m_pos);
}

void Recordset::SetBookmark(const QVariant& bookmark, bool readAll)
{
    requireOpen();
    if (!m_keyed) {
        const qint64 row = bookmark.toLongLong();
        if (row >= 0 && row < rowCount())
            m_pos = row;
        m_onDeleted = false;
        return;
    }
    const qint64 key = bookmark.toLongLong();
    if (m_lazy) {
        if (auto back = std::find(m_tail.begin(), m_tail.end(), key); back != m_tail.end()) {
            m_pos = m_count - 1 - qint64(back - m_tail.begin());
            m_onDeleted = false;
            return;
        }
        if (auto mid = std::find(m_mid.begin(), m_mid.end(), key); mid != m_mid.end()) {
            m_pos = m_midFrom + qint64(mid - m_mid.begin());
            m_onDeleted = false;
            return;
        }
        auto it = std::find(m_keys.begin(), m_keys.end(), key);
        if (it == m_keys.end() && !m_allKeys && readAll) {
            // The keys not read yet are read in one go, and only when the row is among them.
            Statement member(*m_db, m_memberSql);
            std::vector<QVariant> params = m_params;
            params.emplace_back(key);
            member.bindAll(params);
            if (!member.step())
                return;
            // Near either end (the first screens, a Ctrl+End) the row is found by reading that end
            // alone: the first block of each where the order can seek the movie, which costs a count
            // of the keys after it; otherwise three growing blocks at most, as further in reading
            // both ends first would cost more than the rest read at once.
            // A movie that stood past the first keys of both ends before a requery is sought at
            // once: reading the ends would cost as much again (a credit's first block reads every
            // movie's key).
            if (!m_atSql.isEmpty() && m_beyond && key == m_before.first && m_before.second >= kFirst &&
                m_count - 1 - m_before.second >= kFirst) {
                if (const std::optional<qint64> row = seek(key)) {
                    m_pos = *row;
                    m_onDeleted = false;
                    return;
                }
            }
            // The end the movie stood nearer before a requery is read first: where no index leads
            // with the order, each end's block is a scan of every movie.
            const bool tailFirst = key == m_before.first && m_count - 1 - m_before.second < m_before.second;
            const int reads = m_atSql.isEmpty() ? 6 : 2;
            for (int read = 0; read < reads && !m_allKeys && !m_backSql.isEmpty() &&
                               qint64(m_keys.size() + m_tail.size()) < qMax<qint64>(m_count / 16, 1024);
                 ++read) {
                const std::size_t headFrom = m_keys.size(), tailFrom = m_tail.size();
                const bool atHead = tailFirst ? m_keys.size() < m_tail.size() : m_keys.size() <= m_tail.size();
                readKeys(atHead ? qint64(headFrom) : m_count - 1 - qint64(tailFrom));
                if (m_allKeys)
                    break;
                if (auto found = std::find(m_keys.begin() + std::ptrdiff_t(headFrom), m_keys.end(), key);
                    found != m_keys.end()) {
                    m_pos = qint64(found - m_keys.begin());
                    m_onDeleted = false;
                    return;
                }
                if (auto back = std::find(m_tail.begin() + std::ptrdiff_t(tailFrom), m_tail.end(), key);
                    back != m_tail.end()) {
                    m_pos = m_count - 1 - qint64(back - m_tail.begin());
                    m_onDeleted = false;
                    return;
                }
                if (m_keys.size() == headFrom && m_tail.size() == tailFrom)
                    break;
            }
            if (const std::optional<qint64> row = m_allKeys ? std::nullopt : seek(key)) {
                m_pos = *row;
                m_onDeleted = false;
                return;
            }
            const std::size_t from = m_allKeys ? 0 : m_keys.size();
            readKeys(m_count - 1, true);
            it = std::find(m_keys.begin() + std::ptrdiff_t(from), m_keys.end(), key);
        }
        if (it != m_keys.end()) {
            m_pos = qint64(it - m_keys.begin());
            m_onDeleted = false;
        }
        return;
    }
    for (qint64 row = 0, n = rowCount(); row < n; ++row) {
        if (keyAt(row).toLongLong() == key) {
            m_pos = row;
            m_onDeleted = false;
            return;
        }
    }
}

qint64 Recordset::AbsolutePosition() const
{
    requireOpen();
    return (m_pos >= 0 && m_pos < rowCount()) ? m_pos : -1;
}

void Recordset::SetAbsolutePosition(qint64 row)
{
    requireOpen();
    if (row < 0 || row >= rowCount())
        throw StoreError(kNoCurrentRecord, QStringLiteral("No current record."));
    m_pos = row;
    m_onDeleted = false;
}

} // namespace store
