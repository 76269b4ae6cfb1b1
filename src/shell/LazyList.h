#pragma once

#include "store/Sqlite.h"

#include <QAbstractListModel>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace shell {

// The rows of one ordered statement offered to a view as a list, read a block at a time as they are
// shown, so a list of every actor opens as fast on a large catalogue as on a small one. Each row's
// text comes from its values through a hook a window may replace. No statement stays open between
// reads.
class LazyList : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Sql
    {
        QString rows;   // the ordered SELECT; LIMIT and OFFSET are added
        QString count;  // how many rows `rows` gives
        QString before; // how many rows sort before the one value bound, in the same order
    };
    using Display = std::function<QString(const std::vector<QVariant>& row)>;

    LazyList(Sql sql, QObject* parent = nullptr);
    ~LazyList() override;

    void SetDisplay(Display display) { m_display = std::move(display); }
    // Opens the catalogue at `path` and counts the rows; what was read before is forgotten.
    void Load(const QString& path);

    QString Text(int row) const;
    // A row whose text starts with `prefix` regardless of case (equals it when `whole`): the first such
    // row, or `from` when that lies further on among them; -1 when that row does not match. The rows
    // that match stand together in the list's order.
    int Find(const QString& prefix, bool whole, int from = 0) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Exact and leading-text searches by position in the order, not by reading every row.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    struct Block
    {
        std::vector<QString> texts;
    };
    const Block& block(int row) const;

    Sql m_sql;
    Display m_display;
    std::unique_ptr<store::Connection> m_db;
    int m_rows = 0;
    mutable std::unordered_map<int, Block> m_blocks;
};

} // namespace shell
