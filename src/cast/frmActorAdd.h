#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace cast {

class frmActorInfo;

// Adds an actor to the library, then links it to the cast editor's movie through the editor's
// own PopulateComboBoxes and SelectOne. Stays open, empty, for the next actor.
class frmActorAdd : public QDialog
{
    Q_OBJECT
public:
    explicit frmActorAdd(frmActorInfo* castEditor);

    // Capital letters while typing: the first letter of the box and the one after a blank or hyphen.
    void Capitalize(qint16& KeyAscii);
    void Command1_Click();

    QLineEdit* txtLastName() const { return m_txtLastName; }
    QLineEdit* txtFirstName() const { return m_txtFirstName; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* activeBox() const;

    frmActorInfo* m_castEditor;
    QGroupBox* m_frame;
    QLabel* m_lblLastName;
    QLineEdit* m_txtLastName;
    QLabel* m_lblFirstaName;
    QLineEdit* m_txtFirstName;
    QPushButton* m_command1;
    QPushButton* m_cmdOK;
    QLineEdit* m_typingInto = nullptr;
};

} // namespace cast
