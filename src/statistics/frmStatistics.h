#pragma once

#include "statistics/StatisticsQuery.h"

#include <QFuture>
#include <QWidget>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QChartView;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTabWidget;

namespace statistics {

// Pending charts being counted away from the window's thread, each on a read-only connection of its
// own, so two cores count two charts at once. They stop at their next step once `stop` is set.
struct Counting
{
    struct Result
    {
        Chart chart;
        std::exception_ptr failure;
        std::optional<Statistics> first; // the totals and years, with the years' chart
    };
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
    std::vector<QFuture<Result>> charts;
};
// With `first`, the totals and the years are counted too, before the charts.
Counting StartCounting(const QString& path, const QStringList& names, bool first = false);

// The shape of the collection: totals over a tab of charts per count. A click on a bar asks for
// the movies of that value; a click on a decade shows its years.
class frmStatistics : public QWidget
{
    Q_OBJECT
public:
    explicit frmStatistics(Statistics data, QWidget* parent = nullptr);
    ~frmStatistics() override;

    QChartView* CurrentChart() const;
    // Charts counted elsewhere (StartCounting), each drawn as it comes in; the window goes on meanwhile.
    void Follow(Counting counting);
    // A chart counted later takes the place of its pending one.
    void SetChart(Chart chart);

signals:
    void FindRequested(const QString& text);
    // No chart is being counted any more.
    void Counted();

protected:
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill(QChartView* view, const std::vector<Bar>& bars, const QString& title);
    void applyPalette(QChartView* view);
    void showDecades();
    void showYears(int first);
    void saveChart();
    void copyChart();

    Statistics m_data;
    QLabel* m_lblTotals;
    QTabWidget* m_tabs;
    QPushButton* m_cmdDecades;
    std::vector<QChartView*> m_views;
    std::vector<bool> m_drawn;
    bool m_showingYears = false;
    std::shared_ptr<std::atomic<bool>> m_stop;
    int m_counting = 0;
    bool m_failed = false;
};

// Opens the window afresh over the catalogue, or brings it back with fresh counts; `find` gets
// the text of each clicked bar. Throws store::StoreError.
void ShowStatistics(std::function<void(const QString&)> find);

} // namespace statistics
