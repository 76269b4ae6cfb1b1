#pragma once

#include "statistics/StatisticsQuery.h"

#include <QWidget>
#include <functional>

class QChartView;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTabWidget;

namespace statistics {

// The shape of the collection: totals over a tab of charts per count. A click on a bar asks for
// the movies of that value; a click on a decade shows its years.
class frmStatistics : public QWidget
{
    Q_OBJECT
public:
    explicit frmStatistics(Statistics data, QWidget* parent = nullptr);

    QChartView* CurrentChart() const;

signals:
    void FindRequested(const QString& text);

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
};

// Opens the window afresh over the catalogue, or brings it back with fresh counts; `find` gets
// the text of each clicked bar. Throws store::StoreError.
void ShowStatistics(std::function<void(const QString&)> find);

} // namespace statistics
