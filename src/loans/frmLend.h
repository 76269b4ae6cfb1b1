#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;

namespace loans {

// Lends one movie: to whom (earlier borrowers offered, a new name typed), since when, and until
// when if the user says so.
class frmLend : public QDialog
{
    Q_OBJECT
public:
    frmLend(qint64 movieId, const QString& title, QWidget* owner = nullptr);

private:
    void cmdLend_Click();

    qint64 m_movieId;
    QComboBox* m_cboBorrower;
    QDateEdit* m_dtpLent;
    QCheckBox* m_chkDue;
    QDateEdit* m_dtpDue;
};

// The "&Lend..." command: the lend window over owner, or, for a movie that is out, to whom it is.
void LendMovie(QWidget* owner, qint64 movieId);
// The "&Return" command: once the user says so, the movie is back today.
void ReturnMovie(qint64 movieId);

} // namespace loans
