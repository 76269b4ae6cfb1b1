#pragma once

#include "catalog/Movie.h"

#include <QDialog>
#include <array>

class QLineEdit;
class QPlainTextEdit;
class QTabWidget;

namespace movie_editor {

// The details of the movie being edited and its names after the first of each credit, on two tabs.
// It works on a copy: OK keeps what was typed once every value reads, Cancel nothing. The editor
// saves what it keeps with the movie's own Update.
class frmMovieDetails : public QDialog
{
    Q_OBJECT
public:
    frmMovieDetails(const catalog::Movie& movie, QWidget* owner = nullptr);

    // The movie given with what the window holds; valid once the window was closed with OK.
    const catalog::Movie& Movie() const { return m_movie; }

private:
    void cmdOK_Click();
    void buildMoreNames(QWidget* tab);

    catalog::Movie m_movie;
    QTabWidget* tabs = nullptr;
    QLineEdit *txtOriginalTitle = nullptr, *txtPersonalRating = nullptr, *txtWatched = nullptr, *txtPurchased = nullptr,
              *txtPrice = nullptr, *txtImdbId = nullptr, *txtTmdbId = nullptr;
    QPlainTextEdit *txtPlot = nullptr, *txtNotes = nullptr, *txtBarcodes = nullptr, *txtFields = nullptr;
    std::array<QPlainTextEdit*, store::kCredits.size()> txtMoreNames{};
};

// Other fields as the window writes them, one "Name: value" a line, a value's line breaks and
// backslashes kept by a backslash; and back, the lines without a name told in `unread`.
QString FieldsText(const std::vector<catalog::Field>& fields);
std::vector<catalog::Field> ReadFieldsText(const QString& text, QStringList& unread);

} // namespace movie_editor
