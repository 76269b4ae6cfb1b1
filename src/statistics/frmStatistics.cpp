#include "statistics/frmStatistics.h"

#include "shell/Background.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/StoreError.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

namespace statistics {

namespace {

QString totalsText(const Totals& t)
{
    const QLocale locale;
    const auto n = [&](qint64 v) { return locale.toString(v); };
    const QString notes = t.movieNotes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(t.movieNotes.join(u", "));
    QString text = QStringLiteral("Movies: %1%2    Actors: %3    Directors: %4\nHours of film: %5 h %6 min")
                       .arg(n(t.movies), notes, n(t.actors), n(t.directors), n(t.minutes / 60))
                       .arg(t.minutes % 60, 2, 10, QLatin1Char('0'));
    if (t.oddLengths > 0)
        text += QStringLiteral(" (Other: %1 not read as h:mm)").arg(n(t.oddLengths));
    const double share = t.movies > 0 ? 100.0 * double(t.widescreen) / double(t.movies) : 0.0;
    return text + QStringLiteral("    Widescreen: %1 (%2%)").arg(n(t.widescreen), locale.toString(share, 'f', 1));
}

// Decades and years stand upright in time order; named values lie down, the largest on top, so
// long names stay readable.
bool upright(const QChartView* view)
{
    return view->objectName() == QStringLiteral("chtYears");
}

} // namespace

frmStatistics::frmStatistics(Statistics data, QWidget* parent) : QWidget(parent, Qt::Window), m_data(std::move(data))
{
    setObjectName(QStringLiteral("frmStatistics"));
    setWindowTitle(QStringLiteral("Statistics - ") + shell::kAppCaption);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(shell::TwipsToPixelsX(11400), shell::TwipsToPixelsY(8400));

    auto* layout = new QVBoxLayout(this);
    m_lblTotals =
        new QLabel(m_data.counting ? QStringLiteral("Counting the collection...\n") : totalsText(m_data.totals), this);
    m_lblTotals->setObjectName(QStringLiteral("lblTotals"));
    m_lblTotals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_lblTotals);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabCharts"));
    layout->addWidget(m_tabs, 1);
    // A chart is drawn when its tab is first shown, so the window opens at the cost of one.
    m_drawn.assign(m_data.charts.size(), false);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int i) {
        if (i >= 0 && !m_drawn[std::size_t(i)] && !m_data.charts[std::size_t(i)].pending) {
            m_drawn[std::size_t(i)] = true;
            fill(m_views[std::size_t(i)], m_data.charts[std::size_t(i)].bars, m_data.charts[std::size_t(i)].title);
        }
    });
    for (const Chart& chart : m_data.charts) {
        auto* view = new QChartView(new QChart, m_tabs);
        view->setObjectName(chart.name);
        view->setRenderHint(QPainter::Antialiasing);
        if (chart.pending)
            view->chart()->setTitle(chart.title + QStringLiteral(" (counting...)"));
        m_views.push_back(view);
        m_tabs->addTab(view, chart.tab);
    }

    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    const auto button = [&](const char* name, const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    m_cmdDecades = button("cmdDecades", "All &Decades");
    m_cmdDecades->setEnabled(false);
    buttons->addStretch(1);
    connect(m_cmdDecades, &QPushButton::clicked, this, &frmStatistics::showDecades);
    connect(button("cmdSave", "&Save Chart..."), &QPushButton::clicked, this, &frmStatistics::saveChart);
    connect(button("cmdCopy", "&Copy"), &QPushButton::clicked, this, &frmStatistics::copyChart);
    connect(button("cmdClose", "C&lose"), &QPushButton::clicked, this, &QWidget::close);
}

frmStatistics::~frmStatistics()
{
    // Counting still going on for a closed window ends at its next step.
    if (m_stop)
        *m_stop = true;
}

Counting StartCounting(const QString& path, const QStringList& names, bool first)
{
    Counting counting;
    if (first)
        counting.charts.push_back(
            QtConcurrent::run(shell::WorkPool(), [path, stop = counting.stop]() -> Counting::Result {
                try {
                    if (*stop)
                        return {};
                    const store::Connection db(path, store::Connection::Mode::ReadOnly);
                    Statistics s = CollectFirst(db);
                    Chart years = s.charts.front();
                    return {std::move(years), {}, std::move(s)};
                } catch (...) {
                    return {{}, std::current_exception(), {}};
                }
            }));
    for (const QString& name : names)
        counting.charts.push_back(
            QtConcurrent::run(shell::WorkPool(), [path, name, stop = counting.stop]() -> Counting::Result {
                try {
                    if (*stop)
                        return {};
                    const store::Connection db(path, store::Connection::Mode::ReadOnly);
                    return {CountChart(db, name, stop.get()), {}, {}};
                } catch (...) {
                    return {{}, std::current_exception(), {}};
                }
            }));
    return counting;
}

void frmStatistics::Follow(Counting counting)
{
    m_stop = counting.stop;
    for (const QFuture<Counting::Result>& future : counting.charts) {
        ++m_counting;
        auto* watcher = new QFutureWatcher<Counting::Result>(this);
        connect(watcher, &QFutureWatcher<Counting::Result>::finished, this, [this, watcher] {
            Counting::Result result = watcher->result();
            watcher->deleteLater();
            if (!result.failure) {
                if (result.first) {
                    m_data.counting = false;
                    m_data.totals = std::move(result.first->totals);
                    m_data.years = std::move(result.first->years);
                    m_lblTotals->setText(totalsText(m_data.totals));
                }
                SetChart(std::move(result.chart));
            } else if (!m_failed) {
                // One message for a catalogue that cannot be read, not one per chart.
                m_failed = true;
                try {
                    std::rethrow_exception(result.failure);
                } catch (const store::StoreError& e) {
                    shell::ShowStoreError(e);
                } catch (...) {
                }
            }
            if (--m_counting == 0)
                emit Counted();
        });
        watcher->setFuture(future);
    }
}

void frmStatistics::SetChart(Chart chart)
{
    for (std::size_t i = 0; i < m_data.charts.size(); ++i) {
        if (m_data.charts[i].name != chart.name)
            continue;
        m_data.charts[i] = std::move(chart);
        m_data.charts[i].pending = false;
        // The chart in view is drawn now; the others when their tab is first shown.
        m_drawn[i] = int(i) == m_tabs->currentIndex();
        if (m_drawn[i])
            fill(m_views[i], m_data.charts[i].bars, m_data.charts[i].title);
        return;
    }
}

QChartView* frmStatistics::CurrentChart() const
{
    return qobject_cast<QChartView*>(m_tabs->currentWidget());
}

void frmStatistics::fill(QChartView* view, const std::vector<Bar>& bars, const QString& title)
{
    QChart* chart = view->chart();
    chart->removeAllSeries();
    // Removing an axis hands it back rather than deleting it.
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->legend()->hide();

    const bool up = upright(view);
    // Lying bars are listed from the bottom: the largest goes last. The values past the shown ones
    // are told in the title: as a bar they would dwarf the rest.
    std::vector<Bar> order;
    QString heading = title;
    for (const Bar& bar : bars) {
        if (bar.kind == Bar::More)
            heading += QStringLiteral(" (%1 not shown: %2)").arg(bar.label, QLocale().toString(bar.count));
        else
            order.push_back(bar);
    }
    chart->setTitle(heading);
    if (!up)
        std::reverse(order.begin(), order.end());
    auto* set = new QBarSet(title);
    QStringList labels;
    qint64 most = 0;
    for (const Bar& bar : order) {
        *set << double(bar.count);
        labels << bar.label;
        most = qMax(most, bar.count);
    }
    QAbstractBarSeries* series = up ? static_cast<QAbstractBarSeries*>(new QBarSeries)
                                    : static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries);
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsPrecision(12);
    chart->addSeries(series);

    auto* names = new QBarCategoryAxis;
    names->append(labels);
    // Qt shortens a name axis to dots long before it runs out of room; the names are what the chart is about.
    names->setTruncateLabels(false);
    auto* counts = new QValueAxis;
    // Room past the longest bar for its count.
    counts->setRange(0, double(qMax<qint64>(1, most)) * 1.15);
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->applyNiceNumbers();
    chart->addAxis(names, up ? Qt::AlignBottom : Qt::AlignLeft);
    chart->addAxis(counts, up ? Qt::AlignLeft : Qt::AlignBottom);
    series->attachAxis(names);
    series->attachAxis(counts);
    applyPalette(view);

    // Unknown, Other and the rest are drawn apart from the values.
    for (int i = 0; i < int(order.size()); ++i)
        if (order[std::size_t(i)].kind != Bar::Value)
            set->selectBar(i);
    const bool decades = up && !m_showingYears;
    connect(set, &QBarSet::clicked, this, [this, decades, order](int index) {
        if (index < 0 || index >= int(order.size()))
            return;
        const Bar& bar = order[std::size_t(index)];
        if (decades && bar.kind == Bar::Value)
            showYears(bar.label.left(4).toInt());
        else if (!bar.find.isEmpty())
            emit FindRequested(bar.find);
    });
}

void frmStatistics::applyPalette(QChartView* view)
{
    QChart* chart = view->chart();
    const QPalette p = palette();
    const bool dark = p.color(QPalette::Window).lightness() < 128;
    chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    chart->setBackgroundBrush(p.brush(QPalette::Window));
    chart->setTitleBrush(p.brush(QPalette::WindowText));
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(font().pointSizeF() * 1.2);
    chart->setTitleFont(titleFont);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsFont(font());
        axis->setLabelsBrush(p.brush(QPalette::WindowText));
    }
    for (QAbstractSeries* s : chart->series()) {
        auto* series = static_cast<QAbstractBarSeries*>(s);
        for (QBarSet* set : series->barSets()) {
            set->setLabelFont(font());
            set->setLabelBrush(p.brush(QPalette::WindowText));
            set->setSelectedColor(p.color(QPalette::Disabled, QPalette::WindowText));
        }
    }
}

void frmStatistics::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        for (QChartView* view : m_views)
            applyPalette(view);
}

// Escape closes the window, as it closes every dialog.
void frmStatistics::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel))
        close();
    else
        QWidget::keyPressEvent(event);
}

void frmStatistics::showDecades()
{
    m_showingYears = false;
    m_cmdDecades->setEnabled(false);
    fill(m_views.front(), m_data.charts.front().bars, m_data.charts.front().title);
}

void frmStatistics::showYears(int first)
{
    m_showingYears = true;
    m_cmdDecades->setEnabled(true);
    fill(m_views.front(), YearsOf(m_data.years, first), QStringLiteral("Movies in the %1s").arg(first));
}

void frmStatistics::saveChart()
{
    QChartView* view = CurrentChart();
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString name = m_tabs->tabText(m_tabs->currentIndex()) + QStringLiteral(".png");
    QString selected;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Chart"), QDir(folder).filePath(name),
                                                QStringLiteral("PNG Image (*.png);;SVG Image (*.svg)"), &selected);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += selected.contains(QStringLiteral("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    const bool svg = QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0;
    bool saved = false;
    if (svg) {
        QSvgGenerator generator;
        generator.setFileName(path);
        generator.setSize(view->size());
        generator.setViewBox(view->rect());
        generator.setTitle(view->chart()->title());
        QPainter painter;
        if (painter.begin(&generator)) {
            view->render(&painter);
            saved = painter.end() && QFileInfo(path).size() > 0;
        }
    } else {
        saved = view->grab().save(path, "PNG");
    }
    if (!saved)
        shell::MsgBox(QStringLiteral("The chart could not be saved as ") + QDir::toNativeSeparators(path) +
                          QStringLiteral("."),
                      shell::vbExclamation);
}

void frmStatistics::copyChart()
{
    QApplication::clipboard()->setImage(CurrentChart()->grab().toImage());
}

void ShowStatistics(std::function<void(const QString&)> find)
{
    static QPointer<frmStatistics> open;
    // Only opened here: every count, the totals too, is made on a connection of its own, away from
    // the window's thread, so the window is up at once however large the catalogue.
    const QString path = store::OpenDatabase().path();
    auto* window = new frmStatistics(Pending());
    if (open) {
        window->setGeometry(open->geometry());
        open->close();
    } else if (QWidget* owner = QApplication::activeWindow()) {
        // Centred over a main window smaller than itself, it would start partly off screen.
        QRect place(owner->geometry().center() - window->rect().center(), window->size());
        if (const QScreen* screen = owner->screen()) {
            const QRect area = screen->availableGeometry();
            place.moveLeft(qBound(area.left(), place.left(), qMax(area.left(), area.right() - place.width())));
            place.moveTop(qBound(area.top(), place.top(), qMax(area.top(), area.bottom() - place.height())));
        }
        window->move(place.topLeft());
    }
    open = window;
    QObject::connect(window, &frmStatistics::FindRequested, window, std::move(find));
    window->show();
    window->raise();
    window->activateWindow();
    // Counted once the window is up: counted beside it, they would hold back its first drawing.
    window->Follow(StartCounting(path, PendingCharts(), true));
}

} // namespace statistics
