#pragma once

#include <QTableView>

namespace shell {
class LazyList;
}

namespace cast {

class FlexGridModel;

// A plain text grid without a header row. Column 0 is fixed: grey, never current, holding the
// running number, so the current cell always lies in a data column and Text() is what it shows.
class FlexGrid : public QTableView
{
    Q_OBJECT
public:
    explicit FlexGrid(QWidget* parent = nullptr, int cols = 2);

    int Rows() const;
    void SetRows(int rows); // keeps the cells of the rows that stay
    int Cols() const;

    // Rows numbered in column 0 with the list's text in column 1, read as they are shown; SetRows
    // leaves the list for cells of the grid's own.
    void SetSource(const shell::LazyList* source);
    const shell::LazyList* Source() const;

    QString TextMatrix(int row, int col) const;
    void SetTextMatrix(int row, int col, const QString& text);

    // The current cell; -1 for the row while the grid has none.
    int Row() const { return m_row; }
    void SetRow(int row);
    int Col() const { return m_col; }
    void SetCol(int col);
    QString Text() const;
    void SetText(const QString& text);

    double ColWidth(int col) const; // twips
    void SetColWidth(int col, double twips);
    // The width rows can fill without reaching under the vertical scroll bar, shown or not.
    double ClientWidthTwips() const;

    int TopRow() const;
    void SetTopRow(int row);

    // While off, cell writes skip repainting; turning it on shows them all at once.
    bool Redraw() const { return m_redraw; }
    void SetRedraw(bool redraw);

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    void DblClick();
    void RowColChange();         // the current cell moved, by the user or the program
    void KeyPress(int keyAscii); // character keys only; the grid itself never acts on them

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void showCurrent();

    FlexGridModel* m_model;
    int m_row = -1;
    int m_col = 1;
    bool m_redraw = true;
    bool m_syncing = false;
};

} // namespace cast
