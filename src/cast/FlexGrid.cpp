#include "cast/FlexGrid.h"

#include "shell/LazyList.h"
#include "shell/Toolkit.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <unordered_map>
#include <vector>

namespace cast {

namespace {
constexpr int kFixedCols = 1;
constexpr double kRowHeightTwips = 240;
} // namespace

class FlexGridModel : public QAbstractTableModel
{
public:
    FlexGridModel(int cols, QObject* parent) : QAbstractTableModel(parent), m_cols(cols) {}

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_cols; }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        // A name cut off by its column ("Ryan, Meg as Ka...") is read whole in the tooltip.
        if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() >= kFixedCols))
            return cell(index.row(), index.column());
        if (index.column() < kFixedCols && role == Qt::BackgroundRole)
            return QApplication::palette().button();
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        if (!index.isValid())
            return Qt::NoItemFlags;
        return index.column() < kFixedCols ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    }

    void setRows(int rows)
    {
        beginResetModel();
        m_source = nullptr;
        m_written.clear();
        m_rows = rows;
        m_cells.resize(std::size_t(rows) * std::size_t(m_cols));
        endResetModel();
    }

    // A listed grid numbers its rows and takes the other text from the list, unless written over.
    void setSource(const shell::LazyList* source)
    {
        beginResetModel();
        m_source = source;
        m_rows = source ? source->rowCount() : 0;
        m_cells.clear();
        m_written.clear();
        endResetModel();
    }

    QString cell(int row, int col) const
    {
        if (!m_source)
            return m_cells[std::size_t(row) * std::size_t(m_cols) + col];
        const auto it = m_written.find(qint64(row) * m_cols + col);
        if (it != m_written.end())
            return it->second;
        return col == 0 ? QString::number(row + 1) : col == 1 ? m_source->Text(row) : QString();
    }
    void setCell(int row, int col, const QString& text, bool notify)
    {
        if (m_source)
            m_written[qint64(row) * m_cols + col] = text;
        else
            m_cells[std::size_t(row) * std::size_t(m_cols) + col] = text;
        if (notify) {
            const QModelIndex i = index(row, col);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    }
    void changedAll()
    {
        if (m_rows > 0)
            emit dataChanged(index(0, 0), index(m_rows - 1, m_cols - 1), {Qt::DisplayRole});
    }

    int m_rows = 0;
    int m_cols;

    const shell::LazyList* m_source = nullptr;

private:
    std::vector<QString> m_cells;
    std::unordered_map<qint64, QString> m_written;
};

FlexGrid::FlexGrid(QWidget* parent, int cols) : QTableView(parent), m_model(new FlexGridModel(qMax(cols, 2), this))
{
    setModel(m_model);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(shell::TwipsToPixelsY(kRowHeightTwips));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
}

int FlexGrid::Rows() const
{
    return m_model->m_rows;
}
int FlexGrid::Cols() const
{
    return m_model->m_cols;
}

void FlexGrid::SetRows(int rows)
{
    rows = qMax(rows, 0);
    m_model->setRows(rows);
    if (rows == 0)
        m_row = -1;
    else
        m_row = qBound(0, m_row, rows - 1);
    showCurrent();
}

void FlexGrid::SetSource(const shell::LazyList* source)
{
    m_model->setSource(source);
    const int rows = Rows();
    m_row = rows == 0 ? -1 : qBound(0, m_row, rows - 1);
    showCurrent();
}

const shell::LazyList* FlexGrid::Source() const
{
    return m_model->m_source;
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return {};
    return m_model->cell(row, col);
}

void FlexGrid::SetTextMatrix(int row, int col, const QString& text)
{
    if (row < 0 || row >= Rows() || col < 0 || col >= Cols())
        return;
    m_model->setCell(row, col, text, m_redraw);
}

void FlexGrid::SetRow(int row)
{
    if (row < 0 || row >= Rows())
        return;
    m_row = row;
    showCurrent();
}

void FlexGrid::SetCol(int col)
{
    m_col = qBound(kFixedCols, col, Cols() - 1);
    showCurrent();
}

QString FlexGrid::Text() const
{
    return TextMatrix(m_row, m_col);
}
void FlexGrid::SetText(const QString& text)
{
    SetTextMatrix(m_row, m_col, text);
}

double FlexGrid::ColWidth(int col) const
{
    return shell::PixelsToTwipsX(columnWidth(col));
}
void FlexGrid::SetColWidth(int col, double twips)
{
    setColumnWidth(col, shell::TwipsToPixelsX(twips));
}
double FlexGrid::ClientWidthTwips() const
{
    int bar = 0;
    if (verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff) {
        bar = verticalScrollBar()->sizeHint().width();
        if (style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, this))
            bar += style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, this);
    }
    return shell::PixelsToTwipsX(qMax(0, contentsRect().width() - bar));
}

int FlexGrid::TopRow() const
{
    const int row = rowAt(0);
    return row < 0 ? 0 : row;
}

void FlexGrid::SetTopRow(int row)
{
    if (row < 0 || row >= Rows())
        return;
    const QModelIndex index = m_model->index(row, m_col);
    // scrollTo needs the scroll range, which the view only works out lazily.
    updateGeometries();
    scrollTo(index, QAbstractItemView::PositionAtTop);
}

void FlexGrid::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Only rows scroll by themselves: sideways the grid stays where it is, so the fixed number column
    // is never pushed out of view by a search or a move.
    const int across = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(across);
}

void FlexGrid::SetRedraw(bool redraw)
{
    if (redraw && !m_redraw)
        m_model->changedAll();
    m_redraw = redraw;
}

void FlexGrid::showCurrent()
{
    m_syncing = true;
    // Moving the current cell from code must not scroll; only the user's own moves do.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    if (m_row < 0)
        selectionModel()->clearCurrentIndex();
    else
        selectionModel()->setCurrentIndex(m_model->index(m_row, m_col), QItemSelectionModel::ClearAndSelect);
    setAutoScroll(scrolls);
    m_syncing = false;
    emit RowColChange();
}

void FlexGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    m_row = current.row();
    if (current.column() >= kFixedCols) {
        m_col = current.column();
    } else {
        // A click on the fixed column lands in the data cell beside it.
        m_syncing = true;
        selectionModel()->setCurrentIndex(m_model->index(m_row, m_col), QItemSelectionModel::ClearAndSelect);
        m_syncing = false;
    }
    emit RowColChange();
}

void FlexGrid::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    if (text.size() == 1 && event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab) {
        emit KeyPress(text.at(0).unicode());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}

} // namespace cast
