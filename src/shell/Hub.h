#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace store {
class Connection;
}

namespace shell {

// What the main window lets a feature ask of it. The main window implements it; features reach it
// only through the items and sections they register below.
class Hub
{
public:
    virtual ~Hub() = default;
    virtual QWidget* Window() = 0;
    // The key of the grid's current movie; -1 when none is shown.
    virtual qint64 CurrentMovieId() const = 0;
    // Makes that movie the grid's current row, showing every movie first if the find box hides it.
    virtual void SelectMovieById(qint64 movieId) = 0;
    // Shows the movies that match `text`, as if the user had typed it into the find box, and comes forward.
    virtual void SetFindText(const QString& text) = 0;
    // The catalogue changed: the grid is read again, keeping its row where it can.
    virtual void Reread() = 0;
    // The current movie changed: the quick-info panel is shown again.
    virtual void RefreshPanel() = 0;
    // The keys of the movies the find box shows, in the grid's order; none when it shows every movie.
    virtual std::optional<std::vector<qint64>> FoundMovieIds() { return std::nullopt; }
};

// One item of the "&Collection" menu. Items are shown in the order of `order`; a separator goes
// before one that asks for it.
struct CollectionItem
{
    int order = 0;
    QString caption; // with its own access letter
    QString name;    // objectName
    std::function<void(Hub& hub)> run;
    bool separatorBefore = false;
};
void AddCollectionItem(CollectionItem item);
std::vector<CollectionItem> CollectionItems(); // in menu order

// One section of the quick-info panel, between the short fields and "Starring:". Sections stand
// one under another in the order of their registration's `order`.
class PanelSection
{
public:
    virtual ~PanelSection() = default;
    // Shows the movie `movieId` (-1: none) read on `db`, the main window's own connection.
    virtual void Show(const store::Connection& db, qint64 movieId) = 0;
    // Lays the section out at `top` twips in the panel, `width` twips wide, with `room` twips to
    // spare below it; returns the height it takes, in twips.
    virtual double Place(double top, double width, double room) = 0;
};
// Makes the section's widgets in `panel`; `relayout` asks the main window to place the sections
// again (a cover came or went).
using PanelSectionMaker =
    std::function<std::unique_ptr<PanelSection>(QWidget* panel, Hub& hub, std::function<void()> relayout)>;
void AddPanelSection(int order, PanelSectionMaker make);
std::vector<PanelSectionMaker> PanelSections(); // in panel order

// The question a feature asks instead of the usual one before a movie is deleted, when the delete
// would forget something of its own ("... is on loan to Anna. Delete it anyway?"); empty for none.
using DeleteQuestion = std::function<QString(const store::Connection& db, qint64 movieId)>;
void AddDeleteQuestion(DeleteQuestion question);
std::vector<DeleteQuestion> DeleteQuestions();

} // namespace shell
