#include "main_window/MovieGrid.h"

#include "shell/Toolkit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTableView>

namespace main_window {

MovieGrid::MovieGrid(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("dbgMovie"));
    setFrameShape(QFrame::StyledPanel);
    m_titles = makePane(QStringLiteral("dbgMovieSplit0"));
    m_rest = makePane(QStringLiteral("dbgMovieSplit1"));
    m_titles->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // keeps both panes' rows level
    m_titles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_rest->verticalScrollBar(), &QScrollBar::valueChanged, m_titles->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(m_titles->verticalScrollBar(), &QScrollBar::valueChanged, m_rest->verticalScrollBar(),
            &QScrollBar::setValue);
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
                if (now.row() != before.row() || now.column() != before.column())
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
    const int column = qMax(0, Col());
    const QModelIndex target = m_model->index(row, column);
    m_selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_titles->scrollTo(m_model->index(row, 0));
}

int MovieGrid::Col() const
{
    if (!m_selection)
        return -1;
    const QModelIndex i = m_selection->currentIndex();
    return i.isValid() ? i.column() : -1;
}

void MovieGrid::SetCol(int column)
{
    const int row = Row();
    if (row < 0 || column == Col())
        return;
    m_selection->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
}

QString MovieGrid::Text() const
{
    if (!m_selection)
        return {};
    return m_selection->currentIndex().data().toString();
}

double MovieGrid::ColumnWidth(int split, int column) const
{
    return shell::PixelsToTwipsX(Split(split)->columnWidth(column));
}

void MovieGrid::SetColumnWidth(int split, int column, double twips)
{
    Split(split)->setColumnWidth(column, shell::TwipsToPixelsX(twips));
    if (split == 0 && column == 0)
        layoutPanes();
}

void MovieGrid::Refresh()
{
    m_titles->viewport()->update();
    m_rest->viewport()->update();
}

bool MovieGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == m_titles || watched == m_rest)) {
        const auto* key = static_cast<QKeyEvent*>(event);
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
    const QRect r = contentsRect();
    const int left = qMin(r.width(), m_titles->columnWidth(0) + 2 * m_titles->frameWidth());
    m_titles->setGeometry(r.x(), r.y(), left, r.height());
    m_rest->setGeometry(r.x() + left, r.y(), qMax(0, r.width() - left), r.height());
}

} // namespace main_window
