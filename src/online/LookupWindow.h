#pragma once

#include "catalog/Movie.h"
#include "covers/CoverImage.h"
#include "online/Provider.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTableWidget;

namespace online {

// "Look Up": the films an online database finds for a title (and year), a poster, title, year,
// director and original title each; the one picked is shown beside the movie, value by value,
// with a tick on each the user wants: ticked at first where the movie has none. "&Fill In" gives
// the movie filled as ticked; nothing is written to the catalogue here.
class frmLookup : public QDialog
{
    Q_OBJECT
public:
    frmLookup(MovieProvider& provider, const catalog::Movie& current, bool hasCover, QWidget* owner = nullptr);
    ~frmLookup() override;

    // Once accepted: the movie as filled, and the cover when its tick was on.
    const catalog::Movie& Filled() const { return m_filled; }
    const std::optional<covers::Cover>& Cover() const { return m_cover; }

private:
    void search();
    void showCandidates(const std::vector<Candidate>& found);
    void choose();
    void compare(const Details& film);
    void fill();
    void tell(const QString& text);
    void cancelAll();

    MovieProvider& m_provider;
    catalog::Movie m_current;
    bool m_hasCover;
    std::vector<Candidate> m_candidates;
    std::optional<Details> m_film;
    std::optional<covers::Cover> m_poster;
    catalog::Movie m_filled;
    std::optional<covers::Cover> m_cover;
    std::vector<CallPtr> m_calls;

    QLineEdit* m_title;
    QLineEdit* m_year;
    QPushButton* m_search;
    QListWidget* m_list;
    QLabel* m_status;
    QTableWidget* m_table;
    QPushButton* m_choose;
    QPushButton* m_fill;
};

} // namespace online
