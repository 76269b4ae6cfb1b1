#pragma once

#include "reports/ReportProgress.h"

#include <QDialog>
#include <QElapsedTimer>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace reports {

// The report picker: choose one of the eight reports, print it, and watch it count its records.
class frmReportPick : public QDialog, public ReportProgress
{
    Q_OBJECT
public:
    explicit frmReportPick(QWidget* parent = nullptr);
    ~frmReportPick() override;

    // The chosen report's code: 1 Actor, 2 Composer, 3 Director, 4 Movie Title, 5 Year, 6 Genre,
    // 7 Widescreen, 8 Studio; 0 before any choice.
    int ReportChoice() const { return m_reportChoice; }

    void cmdPrint_Click();
    void cmdOK_Click();

    void SetTotal(qint64 total) override;
    void SetCurrent(qint64 current) override;
    void Refresh() override;

private:
    QRadioButton* option(const QString& name, const QString& caption, int code, double top, double width,
                         double height);

    int m_reportChoice = 0;
    QElapsedTimer m_sincePaint;
    QGroupBox* m_frame1;
    QButtonGroup* m_options;
    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_label3;
    QLabel* m_label4;
};

} // namespace reports
