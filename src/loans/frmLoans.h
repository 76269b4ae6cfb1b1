#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace loans {

// Every movie that is out, with the loans of one movie that came back. A loan is returned here,
// and its movie can be shown in the main grid.
class frmLoans : public QDialog
{
    Q_OBJECT
public:
    // `movieId`: the movie whose past loans show first; `select` shows a movie in the main grid.
    frmLoans(qint64 movieId, std::function<void(qint64)> select, QWidget* owner = nullptr);

private:
    void fill();
    void showHistory(qint64 movieId);
    qint64 selectedMovie() const; // -1 when no loan is selected
    void cmdReturn_Click();
    void cmdSelect_Click();

    std::function<void(qint64)> m_select;
    qint64 m_historyOf;
    QTableWidget* m_grdLoans;
    QLabel* m_lblHistory;
    QTableWidget* m_grdHistory;
    QPushButton* m_cmdReturn;
    QPushButton* m_cmdSelect;
};

} // namespace loans
