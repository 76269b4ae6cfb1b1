#include "main_window/MovieGrid.h"

#include "shell/Toolkit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

namespace main_window {

MovieGrid::MovieGrid(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("dbgMovie"));
    setFrameShape(QFrame::StyledPanel);
    m_caption = new QLabel(QStringLiteral("Movie Titles"), this);
    m_caption->setObjectName(QStringLiteral("dbgMovieCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFrameShape(QFrame::Panel);
    m_caption->setFrameShadow(QFrame::Raised);
    m_caption->setAutoFillBackground(true);
    m_caption->setBackgroundRole(QPalette::Button);
    m_titles = makePane(QStringLiteral("dbgMovieSplit0"));
    m_rest = makePane(QStringLiteral("dbgMovieSplit1"));
    m_titles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // keeps both panes' rows level
    m_titles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_rest->verticalScrollBar(), &QScrollBar::valueChanged, m_titles->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_titles->verticalScrollBar(), &QScrollBar::valueChanged, m_rest->verticalScrollBar(),
            &QScrollBar::setValue);
    // A pane lays out its new rows later than the other may scroll to them: a position clamped to
    // its old range is taken again from the other pane once its range has grown.
    QScrollBar* const titlesBar = m_titles->verticalScrollBar();
    QScrollBar* const restBar = m_rest->verticalScrollBar();
    // The bar moves at every row change once the grid scrolls; it draws every pixel of its own, so
    // the frames beneath it need not be drawn again each time.
    restBar->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(restBar, &QScrollBar::rangeChanged, this, [titlesBar, restBar] { restBar->setValue(titlesBar->value()); });
    connect(titlesBar, &QScrollBar::rangeChanged, this,
            [titlesBar, restBar] { titlesBar->setValue(restBar->value()); });
    // The left pane follows its title column at once; a drag never takes the column past the grid,
    // so its border stays in reach.
    connect(m_titles->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column != 0)
            return;
        if (isVisible() && size > widestTitle())
            m_titles->setColumnWidth(0, widestTitle()); // lays out through this signal again
        else
            layoutPanes();
    });
}

QString MovieGrid::Caption() const
{
    return m_caption->text();
}

QTableView* MovieGrid::makePane(const QString& name)
{
    auto* view = new QTableView(this);
    view->setObjectName(name);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide(); // no record selectors
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setSortIndicatorShown(false);
    view->setWordWrap(false);
    view->setAlternatingRowColors(false);
    view->installEventFilter(this);
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, &MovieGrid::HeadClick);
    connect(view, &QTableView::doubleClicked, this, [this] { emit DblClick(); });
    return view;
}

void MovieGrid::SetModel(QAbstractItemModel* model)
{
    m_model = model;
    m_titles->setModel(model);
    m_rest->setModel(model);
    // One selection for both panes, so a row picked in either is the grid's one current row.
    QItemSelectionModel* own = m_titles->selectionModel();
    m_selection = m_rest->selectionModel();
    m_titles->setSelectionModel(m_selection);
    delete own;
    for (int c = 0; c < model->columnCount(); ++c) {
        m_titles->setColumnHidden(c, c != 0);
        m_rest->setColumnHidden(c, c == 0);
    }
    connect(m_selection, &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                if (now.row() == before.row() && now.column() == before.column())
                    return;
                if (now.isValid())
                    m_col = now.column();
                emit RowColChange();
            });
    SetColumnWidth(0, 0, 2500);
    for (int c = 1; c < model->columnCount(); ++c)
        SetColumnWidth(1, c, 1545);
}

int MovieGrid::Row() const
{
    if (!m_selection)
        return -1;
    const QModelIndex i = m_selection->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void MovieGrid::SetRow(int row)
{
    if (!m_model || row < 0 || row >= m_model->rowCount())
        return;
    // The cursor keeps its column, so a pane that has it can go on moving from it.
    const int column = qMax(0, m_selection->currentIndex().column());
    const QModelIndex target = m_model->index(row, column);
    m_selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_titles->scrollTo(m_model->index(row, 0));
}

int MovieGrid::Col() const
{
    return Row() < 0 ? -1 : m_col;
}

void MovieGrid::SetCol(int column)
{
    const int row = Row();
    if (row < 0 || column == m_col)
        return;
    if (column != 0) {
        m_selection->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
        return;
    }
    // The title lives in split 0 alone: the cursor stays where split 1 can still move it.
    m_col = 0;
    emit RowColChange();
}

QString MovieGrid::Text() const
{
    const int row = Row();
    return row < 0 ? QString() : m_model->index(row, m_col).data().toString();
}

double MovieGrid::ColumnWidth(int split, int column) const
{
    return shell::PixelsToTwipsX(Split(split)->columnWidth(column));
}

void MovieGrid::SetColumnWidth(int split, int column, double twips)
{
    Split(split)->setColumnWidth(column, shell::TwipsToPixelsX(twips));
}

void MovieGrid::Refresh()
{
    m_titles->viewport()->update();
    m_rest->viewport()->update();
}

bool MovieGrid::eventFilter(QObject* watched, QEvent* event)
{
    const int row = Row();
    // A cursor coming into split 1 on the hidden title column could not move: put it on a shown one.
    if (event->type() == QEvent::FocusIn && watched == m_rest && row >= 0 &&
        m_rest->isColumnHidden(m_selection->currentIndex().column()))
        m_selection->setCurrentIndex(m_model->index(row, qMax(1, m_rest->columnAt(0))), QItemSelectionModel::NoUpdate);
    if (event->type() == QEvent::KeyPress && (watched == m_titles || watched == m_rest)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Right from the title and Left from the first other column cross between the panes.
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && row >= 0) {
            if (watched == m_titles && key->key() == Qt::Key_Right) {
                m_rest->setFocus(Qt::TabFocusReason);
                return true;
            }
            if (watched == m_rest && key->key() == Qt::Key_Left && m_selection->currentIndex().column() == 1) {
                m_selection->setCurrentIndex(m_model->index(row, 0), QItemSelectionModel::NoUpdate);
                m_titles->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
        if (key->key() == Qt::Key_Delete) {
            int shift = 0;
            if (key->modifiers() & Qt::ShiftModifier)
                shift |= 1;
            if (key->modifiers() & Qt::ControlModifier)
                shift |= 2;
            if (key->modifiers() & Qt::AltModifier)
                shift |= 4;
            emit KeyDown(46, shift);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void MovieGrid::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    layoutPanes();
}

void MovieGrid::layoutPanes()
{
    QRect r = contentsRect();
    const int caption = m_caption->fontMetrics().height() + 6;
    m_caption->setGeometry(r.x(), r.y(), r.width(), caption);
    r.setTop(r.top() + caption);
    const int left = qMin(r.width(), m_titles->columnWidth(0) + 2 * m_titles->frameWidth());
    m_titles->setGeometry(r.x(), r.y(), left, r.height());
    m_rest->setGeometry(r.x() + left, r.y(), qMax(0, r.width() - left), r.height());
}

int MovieGrid::widestTitle() const
{
    // Room for split 1's frame and scroll bar, so something of it always shows.
    const int rest = 2 * m_rest->frameWidth() + 2 * m_rest->verticalScrollBar()->sizeHint().width();
    return qMax(m_titles->horizontalHeader()->minimumSectionSize(),
                contentsRect().width() - 2 * m_titles->frameWidth() - rest);
}

} // namespace main_window
