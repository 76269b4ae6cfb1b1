#pragma once

#include <QHash>
#include <QMainWindow>
#include <QRectF>
#include <array>
#include <memory>
#include <vector>

#include "shell/Hub.h"
#include "shell/Module1.h"

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class QToolButton;

namespace find {
class FindBox;
}

namespace main_window {

class DataControl;
class MovieGrid;
enum class ButtonPicture;

// The main window: the movie grid with its quick-info panel, status text, sorting and commands.
class frmMain : public QMainWindow, public shell::Hub, public shell::MainForm
{
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The load handler. False when this start is a second instance that handed over and must end.
    bool Form_Load() override;
    QWidget* Window() override { return this; }
    bool IsUnwantedInstance() const { return m_unwanted; }

    void Form_Activate();
    void Form_Resize();
    void SelectMovie();
    void SortGrid();

    // The grid's row-or-column change: labels, status and starring list.
    void dbgMovie_RowColChange();
    void dbgMovie_HeadClick(int column);
    void SortBy(int column); // a "&Sorting" item

    int SortColumn() const { return m_sortColumn; }
    DataControl* datMovieQuery() const { return m_data; }
    MovieGrid* dbgMovie() const { return m_grid; }

    // Where each control lies, in twips, as the layout rules keep it.
    QRectF TwipGeometry(const QWidget* control) const { return m_twips.value(control); }
    double WidthTwips() const;
    double HeightTwips() const;

    // Commands of the buttons and menus; the windows they open arrive with their own libraries.
    void cmdNew_Click();
    void cmdEdit_Click();
    void cmdDelete_Click();
    void cmdActorList_Click();
    void cmdRemove_Click();
    void cmdReports_Click();
    void RunReport(void (*report)());
    void mnuHelpContents_Click();
    void mnuHelpSearchForHelpOn_Click();
    void mnuHelpAbout_Click();
    void mnuExit_Click();

    // What the features ask of the main window.
    qint64 CurrentMovieId() const override;
    void SelectMovieById(qint64 movieId) override;
    void SetFindText(const QString& text) override;
    void Reread() override { Form_Activate(); }
    void RefreshPanel() override { dbgMovie_RowColChange(); }
    std::optional<std::vector<qint64>> FoundMovieIds() override;

    // The menu of commands over the whole collection, between "&Sorting" and "&Help"; made on first use.
    QMenu* CollectionMenu();
    // The unload handler: closes the grid's set and every other window, saves the geometry.
    void Form_Unload();

signals:
    void Activated();

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void matchLabelsToPanel();
    void buildControls();
    void buildMenus();
    void place(QWidget* control, double left, double top, double width, double height);
    void setTwips(QWidget* control, const QRectF& rect);
    void restoreSettings();
    void saveSettings();
    void fitFrame();
    void placeSections();
    // Shows the cast as read (its "rawText"), as much of it as the label holds.
    void showStarring(const QString& starring);
    void findNow(); // what the box holds, searched for at once
    QToolButton* makeButton(const QString& name, const QString& tip, ButtonPicture picture, double left);

    DataControl* m_data;
    MovieGrid* m_grid = nullptr;
    QWidget* m_client = nullptr;
    QFrame* m_frame1 = nullptr;
    QFrame* m_frame2 = nullptr;
    QGroupBox* m_frame = nullptr;
    QGroupBox* m_info = nullptr;
    QLabel* m_lblYear = nullptr;
    QLabel* m_lblTime = nullptr;
    QLabel* m_lblGrade = nullptr;
    QLabel* m_lblStarring = nullptr;
    QLabel* m_lblStarringCaption = nullptr;
    std::vector<std::unique_ptr<shell::PanelSection>> m_sections; // what the features add to the panel
    QLineEdit* m_txtStatus = nullptr;
    find::FindBox* m_txtFind = nullptr;
    QTimer* m_findLater = nullptr;
    QMenu* m_collection = nullptr;
    std::array<QAction*, 15> m_sortItems{};
    QHash<const QWidget*, QRectF> m_twips;
    QSize m_wholeSize; // the saved size, frame included, until the frame is known
    int m_sortColumn = 0;
    double m_recordTotal = 0;
    bool m_unwanted = false;
    bool m_inRowChange = false;
    bool m_unloaded = false;
};

} // namespace main_window
