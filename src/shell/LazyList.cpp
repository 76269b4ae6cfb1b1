#include "shell/LazyList.h"

#include "store/Catalogue.h"

namespace shell {

namespace {
constexpr int kBlock = 128;
constexpr int kKeptBlocks = 64; // a few screens either way of where the user looks
} // namespace

LazyList::LazyList(Sql sql, QObject* parent)
    : QAbstractListModel(parent), m_sql(std::move(sql)),
      m_display([](const std::vector<QVariant>& row) { return row.empty() ? QString() : row.front().toString(); })
{
}

LazyList::~LazyList() = default;

void LazyList::Load(const QString& path)
{
    beginResetModel();
    m_blocks.clear();
    m_db = std::make_unique<store::Connection>(store::OpenDatabase(path));
    store::Statement count(*m_db, m_sql.count);
    m_rows = count.step() ? count.column(0).toInt() : 0;
    endResetModel();
}

const LazyList::Block& LazyList::block(int row) const
{
    const int first = row / kBlock * kBlock;
    auto it = m_blocks.find(first);
    if (it != m_blocks.end())
        return it->second;
    if (int(m_blocks.size()) >= kKeptBlocks)
        m_blocks.clear();
    Block& b = m_blocks[first];
    store::Statement q(*m_db, m_sql.rows + QStringLiteral(" LIMIT ? OFFSET ?"));
    q.bindAll({kBlock, first});
    const int columns = q.columnCount();
    while (q.step()) {
        std::vector<QVariant> values;
        values.reserve(std::size_t(columns));
        for (int c = 0; c < columns; ++c)
            values.push_back(q.column(c));
        b.texts.push_back(m_display(values));
    }
    return b;
}

QString LazyList::Text(int row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    const Block& b = block(row);
    const std::size_t i = std::size_t(row % kBlock);
    return i < b.texts.size() ? b.texts[i] : QString();
}

int LazyList::Find(const QString& prefix, bool whole, int from) const
{
    if (!m_db || m_rows == 0)
        return -1;
    // The rows that can match stand together from the first that does not sort before the text.
    store::Statement before(*m_db, m_sql.before);
    before.bindAll({prefix});
    const int first = before.step() ? before.column(0).toInt() : 0;
    const auto matches = [&](int row) {
        const QString text = Text(row);
        return whole ? text.compare(prefix, Qt::CaseInsensitive) == 0 : text.startsWith(prefix, Qt::CaseInsensitive);
    };
    const int row = qMax(first, from);
    return row < m_rows && matches(row) ? row : -1;
}

int LazyList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant LazyList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return Text(index.row());
}

QModelIndexList LazyList::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                Qt::MatchFlags flags) const
{
    const int type = int(flags & Qt::MatchTypeMask);
    const bool whole = type == Qt::MatchExactly || type == Qt::MatchFixedString;
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || hits != 1 || (!whole && type != Qt::MatchStartsWith))
        return QAbstractListModel::match(start, role, value, hits, flags);
    const QString text = value.toString();
    const bool exactCase = type == Qt::MatchExactly || (flags & Qt::MatchCaseSensitive);
    const int from = qMax(0, start.row());
    int row = Find(text, whole, from);
    if (row < 0 && (flags & Qt::MatchWrap))
        row = Find(text, whole, 0);
    if (row >= 0 && exactCase) {
        // The order pays no heed to case: look on a little way among the rows equal but for it.
        for (const int last = qMin(m_rows, row + kBlock); row < last; ++row) {
            const QString found = Text(row);
            if (whole ? found == text : found.startsWith(text))
                return {index(row)};
            if (whole ? found.compare(text, Qt::CaseInsensitive) != 0 : !found.startsWith(text, Qt::CaseInsensitive))
                break;
        }
        return {};
    }
    return row < 0 ? QModelIndexList{} : QModelIndexList{index(row)};
}

} // namespace shell
