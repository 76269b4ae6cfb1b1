#pragma once

#include "store/SortedKeys.h"
#include "store/Sqlite.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace store {

class Recordset;

// One column of the current row, read and written by name.
class Field
{
public:
    QVariant Value() const;
    void SetValue(const QVariant& value);
    Field& operator=(const QVariant& value)
    {
        SetValue(value);
        return *this;
    }

private:
    friend class Recordset;
    Field(Recordset* set, int column) : m_set(set), m_column(column) {}
    Recordset* m_set;
    int m_column;
};

// The result set of one SELECT, read when opened so it never holds a lock on the catalogue.
// Opened on "SELECT * FROM <table> ..." it can add, edit and delete that table's rows.
// Opened on "SELECT * FROM qry_Movie_Title ...", one row per movie, it reads only the
// keys in order and fetches the rows' values when they are first looked at (the movie grid's
// tens of thousands of rows would otherwise cost a join per credit per row on every requery);
// such a set can delete through the view.
class Recordset
{
public:
    Recordset(const Connection& db, const QString& sql, std::vector<QVariant> params = {});
    // The movie view's rows in an order an index gives: the keys are counted first and read a
    // block at a time as rows are looked at, so the first rows cost the same at any size.
    Recordset(const Connection& db, const SortedKeys& order, std::vector<QVariant> params = {});

    // True when another connection has changed the catalogue since the set was read.
    bool IsStale() const;

    qint64 RecordCount() const;
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();

    Field Fields(const QString& name);
    QVariant Value(const QString& name) const { return Fields(name).Value(); }

    void AddNew();
    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    void Requery();
    void Close();

    // A position token of the current row that survives a requery (the row's key where the set
    // has one). Moving to a token whose row is gone leaves the position where it is; so does one
    // whose row is not read yet, unless `readAll` lets the set read on until it finds it.
    QVariant Bookmark() const;
    void SetBookmark(const QVariant& bookmark, bool readAll = true);
    qint64 AbsolutePosition() const; // zero-based; -1 off the ends
    void SetAbsolutePosition(qint64 row);

    // The key of the row the last stored AddNew wrote.
    qint64 LastInsertedKey() const { return m_lastInsertedKey; }

    // Direct access for views over the whole set.
    int ColumnCount() const { return int(m_columns.size()); }
    QString ColumnName(int column) const { return m_columns.at(column); }
    int ColumnIndex(const QString& name) const; // -1 when absent
    QVariant At(qint64 row, int column) const;
    QString Sql() const { return m_sql; }

private:
    friend class Field;
    Field Fields(const QString& name) const { return const_cast<Recordset*>(this)->Fields(name); }
    enum class EditMode { None, Edit, Add };

    void useMovieView();
    void load();
    // Until `row` is read or the keys end, from whichever end of the order is nearer; `fromStart`
    // reads every key not read yet from the start, to the end.
    void readKeys(qint64 row, bool fromStart = false) const;
    std::optional<qint64> knownKey(qint64 row) const;
    bool walks(qint64 from, qint64 want) const;
    // The middle keys: those around a movie found far from both ends, read from the movie itself.
    using Place = std::pair<int, std::vector<QVariant>>; // a part of the order and the values there
    std::optional<Place> placeOf(qint64 key) const;
    qint64 fromPlace(const Place& place, bool back, qint64 want, std::vector<qint64>* into) const;
    bool readBeyond(std::vector<qint64>& into, qint64 key, bool back, qint64 want) const;
    void joinMiddle() const;
    bool growMiddle(qint64 row) const;
    std::optional<qint64> seek(qint64 key);
    qint64 dataVersion() const;
    void requireOpen() const;
    void requireCurrent() const;
    void requireUpdatable() const;
    QVariant read(int column) const;
    void write(int column, const QVariant& value);
    qint64 rowCount() const { return m_lazy ? m_count : qint64(m_rows.size() / std::size_t(m_stride)); }
    QVariant keyAt(qint64 row) const;
    const std::vector<QVariant>& fetched(qint64 row) const;
    void appendStoredRow(qint64 key);

    const Connection* m_db;
    QString m_sql;    // as given
    QString m_runSql; // as run: with the hidden key column in front
    std::vector<QVariant> m_params;
    QString m_table;      // base table, empty when the set is read-only
    QString m_deleteView; // a view deletable by Movie_ID
    bool m_keyed = false; // first column of every row is the row's key
    int m_stride = 1;     // key slot + visible columns
    QStringList m_columns;
    QHash<QString, int> m_index; // lower-case name -> column
    std::vector<QVariant> m_rows;
    // Keyed view sets: the keys in the set's order, and the rows fetched so far by key.
    bool m_lazy = false;
    QString m_rowSql;
    QString m_countSql; // empty when the keys are all read at once
    QString m_memberSql;
    QString m_walkSql;
    QString m_backSql; // the order reversed; empty when the keys are only read forwards
    QString m_walkBackSql;
    std::function<qint64()> m_counter;
    QStringList m_atSql;
    std::function<SortedKeys::Beyond(int, const std::vector<QVariant>&, bool, bool)> m_beyond;
    bool m_walkFirst = false;
    qint64 m_movies = 0;                // the highest key, standing in for the number of movies
    mutable std::vector<qint64> m_keys; // the first keys in order
    mutable std::vector<qint64> m_tail; // the last keys, the last first, until the two ends meet
    mutable std::vector<qint64> m_mid;  // keys in order from row m_midFrom, apart from both ends
    mutable qint64 m_midFrom = 0;
    mutable qint64 m_count = 0;
    mutable bool m_allKeys = true;
    qint64 m_dataVersion = -1;
    mutable std::unordered_map<qint64, std::vector<QVariant>> m_cache;
    qint64 m_pos = 0;
    std::pair<qint64, qint64> m_before{-1, -1}; // the current movie's key and row before a requery
    bool m_onDeleted = false;
    bool m_closed = false;
    EditMode m_mode = EditMode::None;
    std::vector<QVariant> m_buffer;
    std::vector<bool> m_dirty;
    qint64 m_lastInsertedKey = 0;
};

} // namespace store
