#pragma once

#include <QDialog>
#include <optional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace shell {
class LazyList;
}

namespace store {
class Connection;
}

namespace cast {

class FlexGrid;

// The cast editor: links actors of the library to one movie and unlinks them. Loads itself on
// construction from shell::CurrentMovieTitle(), and rewrites that title at every cast refresh.
class frmActorInfo : public QDialog
{
    Q_OBJECT
public:
    explicit frmActorInfo(QWidget* owner = nullptr);

    void Form_Load();
    void cboMovie_Change(); // the cast refresh
    void cboMovie_Click();
    void PopulateComboBoxes(); // refills the complete actor list
    void SelectOne();
    void DeSelectOne();
    void DeSelectAll();
    void ActorListGrid_KeyPress(int keyAscii); // the first-letter search
    void cmdAddActor_Click();
    // Keeps the character box's text as whom the cast grid's current actor plays in the movie.
    void SetCharacter();

    QComboBox* cboMovie() const { return m_cboMovie; }
    FlexGrid* ActorGrid() const { return m_actorGrid; }
    FlexGrid* ActorListGrid() const { return m_actorListGrid; }
    QLineEdit* txtCharacter() const { return m_txtCharacter; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QToolButton* makePictureButton(const QString& name, const QString& tip, int icon, double top);
    std::optional<qint64> actorId(const store::Connection& db, const QString& displayName) const;
    std::optional<qint64> movieId(const store::Connection& db, const QString& title) const;
    void showCharacter();

    // The shown cast beside its grid, whose rows name an actor with the character played.
    struct Member
    {
        qint64 actorId = 0;
        QString actor, character;
    };
    std::vector<Member> m_cast;

    QGroupBox* m_frame = nullptr;
    QComboBox* m_cboMovie = nullptr;
    shell::LazyList* m_titles = nullptr;
    shell::LazyList* m_actors = nullptr;
    QLabel* m_lblActorList = nullptr;
    QLabel* m_lblCompleteActorList = nullptr;
    FlexGrid* m_actorGrid = nullptr;
    FlexGrid* m_actorListGrid = nullptr;
    QToolButton* m_cmdAdd1 = nullptr;
    QToolButton* m_cmdDeselect1 = nullptr;
    QToolButton* m_cmdDeselectAll = nullptr;
    QPushButton* m_cmdAddActor = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QLabel* m_lblCharacter = nullptr;
    QLineEdit* m_txtCharacter = nullptr;
};

} // namespace cast
