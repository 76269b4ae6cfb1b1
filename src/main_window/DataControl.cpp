#include "main_window/DataControl.h"

#include "catalog/MovieColumns.h"
#include "find/FoundSet.h"
#include "find/SortOrder.h"
#include "store/Catalogue.h"
#include "store/Values.h"

#include <QRegularExpression>

namespace main_window {

using catalog::ColumnCaption;
using catalog::ColumnField;
using catalog::kMovieColumns;
using catalog::kWidescreenColumn;

DataControl::DataControl(QObject* parent) : QAbstractTableModel(parent)
{
    setObjectName(QStringLiteral("datMovieQuery"));
    m_map.fill(-1);
}

DataControl::~DataControl() = default;

void DataControl::SetDatabaseName(const QString& path)
{
    Close();
    m_databaseName = path;
    m_db = std::make_unique<store::Connection>(store::OpenDatabase(path));
    // The grid reads again each time the window comes back from another window's save.
    m_db->useOwnCache(64 * 1024);
    Refresh();
}

void DataControl::Close()
{
    if (m_rows > 0) {
        beginRemoveRows({}, 0, m_rows - 1);
        m_set.reset();
        m_rows = 0;
        endRemoveRows();
    }
    m_set.reset();
    m_found.reset();
    m_db.reset();
}

void DataControl::SetFilter(const QString& typed)
{
    m_filter = find::MatchFilter(typed);
    m_newFilter = true;
}

store::Recordset& DataControl::Recordset()
{
    if (!m_set)
        throw store::StoreError(3420, QStringLiteral("Object invalid or no longer set."));
    return *m_set;
}

void DataControl::Refresh()
{
    if (!m_db)
        throw store::StoreError(3420, QStringLiteral("Object invalid or no longer set."));
    static const QRegularExpression bareName(QStringLiteral("^\\[?[A-Za-z_][A-Za-z0-9_]*\\]?$"));
    // The grid's own orders are read off an index, a block of keys at a time.
    static const QRegularExpression gridOrder(
        QStringLiteral(
            "^(?:\\[?qry_Movie_Title\\]?|select\\s+\\*\\s+from\\s+\\[?qry_Movie_Title\\]?(?:\\s+order\\s+by\\s+"
            "\\[?(\\w+)\\]?(?:\\s*,\\s*\\[?Movie_Title\\]?)?)?)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    if (m_newFilter) {
        // The old set's statements ask the old matches; both go before the new ones register.
        m_set.reset();
        m_found.reset();
        m_newFilter = false;
    }
    const QString source = m_recordSource.trimmed();
    if (const QRegularExpressionMatch order = gridOrder.match(source); order.hasMatch()) {
        const QString field = order.captured(1).isEmpty() ? QStringLiteral("Movie_Title") : order.captured(1);
        if (!m_filter.sources.empty() && !m_found)
            m_found = std::make_unique<find::FoundSet>(*m_db, m_filter);
        const QString where = m_found ? m_found->Listed() : m_filter.where;
        if (store::SortedKeys keys = find::SortedKeysSql(field, where, m_found ? m_found->Condition() : QString());
            !keys.isEmpty()) {
            if (m_found)
                keys.counter = [found = m_found.get()] { return found->Collect(); };
            else if (IsFiltered())
                keys.count.clear(); // the few movies a loan word finds are read at once
            m_set.emplace(*m_db, keys, m_filter.params);
            mapColumns();
            Sync();
            prepareFind();
            return;
        }
    }
    QString sql = source;
    if (bareName.match(source).hasMatch()) {
        QString name = source;
        name.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
        sql = QStringLiteral("SELECT * FROM [") + name + QStringLiteral("]");
        // The stored query's own order, said aloud once a condition joins it.
        if (IsFiltered())
            sql += QStringLiteral(" ORDER BY [Movie_Title]");
    }
    m_set.emplace(*m_db, find::Narrowed(sql, m_filter), m_filter.params);
    mapColumns();
    Sync();
}

void DataControl::prepareFind()
{
    // A common word typed later then finds the names it reaches already in memory.
    find::PrepareReach(*m_db);
}

void DataControl::Requery()
{
    // Nothing to read again when no connection has changed the catalogue since the last read.
    if (!Recordset().IsStale())
        return;
    Recordset().Requery();
    Sync();
    prepareFind();
}

void DataControl::Sync()
{
    const int now = m_set ? int(m_set->RecordCount()) : 0;
    if (now < m_rows) {
        beginRemoveRows({}, now, m_rows - 1);
        m_rows = now;
        endRemoveRows();
    } else if (now > m_rows) {
        beginInsertRows({}, m_rows, now - 1);
        m_rows = now;
        endInsertRows();
    }
    // Changing rows in place keeps the views' column widths and scroll position.
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, int(kMovieColumns.size()) - 1), {Qt::DisplayRole});
}

void DataControl::mapColumns()
{
    for (std::size_t c = 0; c < kMovieColumns.size(); ++c)
        m_map[c] = m_set->ColumnIndex(QString::fromLatin1(kMovieColumns[c].field));
}

int DataControl::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataControl::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(kMovieColumns.size());
}

QString DataControl::CellText(int row, int column) const
{
    if (!m_set || row < 0 || row >= m_set->RecordCount() || column < 0 || column >= int(m_map.size()))
        return {};
    const int source = m_map[std::size_t(column)];
    if (source < 0)
        return {};
    const QVariant v = m_set->At(row, source);
    if (v.isNull())
        return {};
    if (column == kWidescreenColumn)
        return store::IsTrue(v) ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

QVariant DataControl::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return CellText(index.row(), index.column());
}

QVariant DataControl::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < int(kMovieColumns.size()))
        return ColumnCaption(section);
    return {};
}

Qt::ItemFlags DataControl::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace main_window
