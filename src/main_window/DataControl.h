#pragma once

#include "find/FindQuery.h"
#include "store/Recordset.h"

#include <QAbstractTableModel>
#include <memory>
#include <optional>

namespace find {
class FoundSet;
}

namespace main_window {

// The grid's data source: its own connection to the catalogue and one result set, offered to the
// views as a read-only table of the grid's sixteen columns.
class DataControl : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr);
    ~DataControl() override;

    QString Caption() const { return QStringLiteral("Movie Query"); }

    // Setting the database name opens the catalogue and runs the record source.
    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString& path);

    // A stored query's name, or a SELECT statement.
    QString RecordSource() const { return m_recordSource; }
    void SetRecordSource(const QString& source) { m_recordSource = source; }

    // Narrows the record source to the movies matching what the user typed into the find box;
    // empty text shows every movie. Takes effect at the next Refresh.
    void SetFilter(const QString& typed);
    bool IsFiltered() const { return !m_filter.isEmpty(); }

    // Runs the record source again into a fresh result set on its first row.
    void Refresh();
    // Re-runs the open result set's statement.
    void Requery();
    // Brings the views in step after the result set changed under them (a delete, say).
    void Sync();

    bool IsOpen() const { return m_set.has_value(); }
    store::Recordset& Recordset();
    const store::Connection& Database() const { return *m_db; }
    void Close();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The text of one cell as the grid shows it.
    QString CellText(int row, int column) const;

private:
    void mapColumns();
    void prepareFind();

    QString m_databaseName;
    QString m_recordSource = QStringLiteral("qry_Movie_Title");
    find::Filter m_filter;
    std::unique_ptr<store::Connection> m_db;
    std::optional<store::Recordset> m_set;
    std::unique_ptr<find::FoundSet> m_found; // asked by m_set's statements, on m_db
    bool m_newFilter = false;
    std::array<int, 16> m_map{};
    int m_rows = 0;
};

} // namespace main_window
