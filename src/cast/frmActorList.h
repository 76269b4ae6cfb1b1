#pragma once

#include <QDialog>

class QComboBox;
class QGroupBox;
class QPushButton;

namespace shell {
class LazyList;
}

namespace cast {

class FlexGrid;

// The filmography view: pick an actor, see the titles of every movie in whose cast the actor is.
// Reads only; loads itself on construction.
class frmActorList : public QDialog
{
    Q_OBJECT
public:
    explicit frmActorList(QWidget* owner = nullptr);

    void Form_Load();
    void PopulateComboBoxes(); // fills MovieGrid with the movies of the actor in cboActorList

    QComboBox* cboActorList() const { return m_cboActorList; }
    FlexGrid* MovieGrid() const { return m_movieGrid; }

private:
    QGroupBox* m_frame;
    QComboBox* m_cboActorList;
    shell::LazyList* m_names; // every actor, read as the list shows them
    FlexGrid* m_movieGrid;
    QPushButton* m_cmdOK;
};

} // namespace cast
