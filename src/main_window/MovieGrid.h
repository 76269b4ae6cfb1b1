#pragma once

#include <QFrame>

class QAbstractItemModel;
class QItemSelectionModel;
class QLabel;
class QTableView;

namespace main_window {

// The movie grid: a caption over two panes that share one model and one selection. Split 0 holds
// the title column and stays put; split 1 holds the other fifteen columns and scrolls sideways on its
// own. The grid's current column is kept apart from the selection's, since the title column is
// hidden in split 1 and a cursor there must stand on a column that pane shows.
class MovieGrid : public QFrame
{
    Q_OBJECT
public:
    explicit MovieGrid(QWidget* parent = nullptr);

    QString Caption() const;
    void SetModel(QAbstractItemModel* model);

    int Row() const; // current row, -1 when there is none
    void SetRow(int row);
    int Col() const; // current column index, -1 when there is none
    void SetCol(int column);
    QString Text() const; // the current cell's text

    // Column widths in twips, per split; the title column lives in split 0 only.
    double ColumnWidth(int split, int column) const;
    void SetColumnWidth(int split, int column, double twips);

    QTableView* Split(int split) const { return split == 0 ? m_titles : m_rest; }
    void Refresh();

signals:
    void RowColChange();
    void HeadClick(int column);
    void DblClick();
    void KeyDown(int keyCode, int shift);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTableView* makePane(const QString& name);
    void layoutPanes();
    int widestTitle() const;

    QLabel* m_caption;
    QTableView* m_titles;
    QTableView* m_rest;
    QAbstractItemModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    int m_col = 0;
};

} // namespace main_window
