#pragma once

#include "scan/ScanChain.h"
#include "store/Sqlite.h"

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace scan {

// "Scan Barcodes": codes one after another, typed, from a hand scanner (digits and Enter into the
// entry) or from a picture dropped or pasted on the window; each resolved in turn and listed with
// its state. "&Add" writes the ticked rows, each movie with its code; a code that found nothing
// is kept in the to-do list until it is added or forgotten.
class frmScan : public QDialog
{
    Q_OBJECT
public:
    // `show` brings a movie of the catalogue forward; `written` is told when movies were written.
    frmScan(BarcodeService& service, online::MovieProvider* provider, std::function<void(qint64)> show,
            QWidget* owner = nullptr);
    ~frmScan() override;

    // Takes a code as the entry does.
    void Take(const QString& typed);
    // Takes every code the picture shows.
    void TakePicture(const QImage& picture);
    bool Wrote() const { return m_wrote; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void showRow(int row);
    void settled(int row); // what follows from the row's new state
    void addTicked();
    void lookAgain();
    void forget();
    void tell(const QString& text, bool beep = false);
    void keepUnfinished();

    store::Connection m_db;
    Resolver m_resolver;
    std::function<void(qint64)> m_show;
    bool m_wrote = false;
    bool m_filling = false;

    QLineEdit* m_entry;
    QTableWidget* m_grid;
    QLabel* m_status;
    QString m_refused; // the last code refused, and why
    QPushButton* m_add;
    QPushButton* m_again;
    QPushButton* m_forget;
};

} // namespace scan
