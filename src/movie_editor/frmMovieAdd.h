#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

#include "catalog/Movie.h"
#include "covers/CoverImage.h"
#include "store/Credits.h"

namespace covers {
class EditorCover;
}
namespace store {
class StoreError;
}

namespace movie_editor {

// The add/edit movie form. Opens on the movie named by shell::CurrentMovieTitle(), or empty
// when that is empty, and stores the movie with its ten credits.
class frmMovieAdd : public QWidget
{
    Q_OBJECT
public:
    explicit frmMovieAdd(QWidget* owner = nullptr);
    ~frmMovieAdd() override;

    // What "&Add Actors" opens; the cast editor connects itself here. Without it the button
    // only hands the title over.
    using AddActorsCommand = std::function<void(QWidget* owner)>;
    static void SetAddActorsCommand(AddActorsCommand command);

    // What "&Look Up..." opens: it is given the movie as the form holds it and whether it shows a
    // cover, and calls `apply` with the movie as the user chose to fill it (and a cover, if one was
    // taken). The form shows it; nothing is saved until the user's own Update.
    using LookupApply = std::function<void(const catalog::Movie& movie, const std::optional<covers::Cover>& cover)>;
    using LookupCommand =
        std::function<void(QWidget* owner, const catalog::Movie& current, bool hasCover, LookupApply apply)>;
    static void SetLookupCommand(LookupCommand command);

    // The window procedures.
    void Form_Load();
    void EnableForm();
    void PopulateComboBoxes();
    void Capitalize(char16_t& KeyAscii);
    bool UpdateRecords();
    bool AddRecords();

    // The button handlers.
    void cmd_Update_Click();
    void cmdAddActor_Click();
    void cmdClearForm_Click();
    void cmdOK_Click();
    void cmdDetails_Click();
    void cmdLookup_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One credit: its combo box, label, lookup table and columns as they go into SQL text.
    struct Credit
    {
        QComboBox* combo = nullptr;
        QLabel* label = nullptr;
        QString table;                               // "[tbl_Director]"
        QString name;                                // "[Director]"
        QString key;                                 // "[Director_ID]", in the lookup table and the movie table alike
        QString listSql;                             // fills the list
        store::CreditIndex index = store::kDirector; // its place in a movie's credits
    };
    enum Slot {
        Director,
        Producer,
        ExecutiveProducer,
        Screenwriter,
        Writer,
        Composer,
        Genre,
        Cinematographer,
        Studio,
        Format,
        SlotCount
    };

    void buildControls();
    void buildCredit(Slot slot, const char* comboName, const char* labelName, const char* caption,
                     store::CreditIndex columns, double top, double left);
    QLineEdit* makeTextBox(const char* name, int maxLength);
    bool storeMovie(bool overwrite);
    void showError(const store::StoreError& error);

    QGroupBox* fmrMovieTitle = nullptr;
    QGroupBox* frmMovieInfo = nullptr;
    QLabel* lblMovieTitle = nullptr;
    QLineEdit* txtMovieTitle = nullptr;
    std::array<Credit, SlotCount> m_credits;
    QLineEdit* txtLength = nullptr;
    QLineEdit* txtYear = nullptr;
    QLineEdit* txtGrade = nullptr;
    QLineEdit* txtRating = nullptr;
    QLabel* lblLength = nullptr;
    QLabel* lblYear = nullptr;
    QLabel* lblGrade = nullptr;
    QLabel* lblRating = nullptr;
    QCheckBox* chkWidescreen = nullptr;
    QLabel* lblWidescreen = nullptr;
    QPushButton* cmd_Update = nullptr;
    QPushButton* cmdAddActor = nullptr;
    QPushButton* cmdClearForm = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdDetails = nullptr;
    QPushButton* cmdLookup = nullptr;
    covers::EditorCover* m_cover = nullptr;
    // What the details window kept for the movie being edited, saved with its Update; none until it
    // is opened, and then the stored movie's details stay as they are.
    std::optional<catalog::Movie> m_details;
    qint64 m_loadedId = 0; // the movie the form was opened on
    // The cast a look-up brought, linked with its characters at the Update; none: the cast stays.
    std::optional<std::vector<catalog::CastMember>> m_cast;

    catalog::Movie formMovie(); // the movie as the form holds it, details and cast included
    void applyLookup(const catalog::Movie& movie, const std::optional<covers::Cover>& cover);

    QString m_title;                // remembered at the start of a save
    QObject* m_keyTarget = nullptr; // the box a key is being typed into
    bool m_resending = false;       // a replaced key is on its way
};

} // namespace movie_editor
