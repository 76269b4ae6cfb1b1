#pragma once

#include "online/BulkUpdate.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace online {

// "Online Lookup": the user's own TMDb key or read access token, their language and country. The key
// is never shown again once kept; it lives in the settings file, which is made readable by the user only.
class frmOnlineSettings : public QDialog
{
    Q_OBJECT
public:
    explicit frmOnlineSettings(QWidget* owner = nullptr);

private:
    void save();

    QLineEdit* m_key;
    QLineEdit* m_language;
    QLineEdit* m_country;
    QCheckBox* m_forget;
};

// Keeps the key to the user: the settings file readable and writable by its owner only.
void ProtectSettingsFile();

// "Update from Online": the movies given, matched and filled one by one, with progress and Cancel;
// films not sure enough are listed to confirm or skip once the run is over.
class frmOnlineUpdate : public QDialog
{
    Q_OBJECT
public:
    frmOnlineUpdate(MovieProvider& provider, std::vector<qint64> movieIds, const QString& which,
                    QWidget* owner = nullptr);
    ~frmOnlineUpdate() override;
    // Whether the catalogue changed, so the main window reads it again.
    bool Changed() const { return m_changed; }

    // Escape or Cancel while it runs: the run stops, what is written stays, and the window shows what came of it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void start();
    void ended();
    void applyTicked();

    MovieProvider& m_provider;
    std::vector<qint64> m_ids;
    std::unique_ptr<BulkUpdate> m_run;
    std::vector<Doubtful> m_pending; // listed to confirm, row by row
    bool m_changed = false;

    QCheckBox* m_replace;
    QProgressBar* m_bar;
    QLabel* m_status;
    QTableWidget* m_doubtful;
    QPlainTextEdit* m_failures;
    QPushButton* m_start;
    QPushButton* m_apply;
    QPushButton* m_cancel;
};

} // namespace online
