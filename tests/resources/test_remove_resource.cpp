// The "Delete Resources" window, opened and driven as the main window opens it.
#include "resources/frmRemoveResource.h"
#include "support/TestSupport.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <optional>

using resources::frmRemoveResource;
using Picks = std::map<QString, QString>;
const auto S = [](const char* text) { return QString::fromLatin1(text); };
const QString kConfirm = S("Are you sure you want to delete the selected resources?");

class TestRemoveResource : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    testing::ScriptedMessages boxes;

    qint64 everything() const
    {
        qint64 n = 0;
        for (const char* kind : {"Director", "Genre", "Executive_Producer", "Studio", "Format", "Composer", "Actor"})
            n += cat->count(S("tbl_") + S(kind));
        return n;
    }
    // Lets steps drive the window while it is up.
    static void open(const std::function<void(frmRemoveResource&)>& steps)
    {
        QWidget owner;
        shell::SetModalHandler([&](QWidget* w) { steps(*qobject_cast<frmRemoveResource*>(w)); });
        shell::ShowModal(new frmRemoveResource(&owner), &owner);
        shell::SetModalHandler(nullptr);
    }
    static QComboBox* list(frmRemoveResource& w, const QString& name) { return w.findChild<QComboBox*>(name); }
    // Types the picks, presses the delete button and tells whether the window is still up.
    static bool press(frmRemoveResource& w, const Picks& picks)
    {
        w.activateWindow();
        QTEST_ASSERT(QTest::qWaitForWindowActive(&w)); // the lists complete only with the focus
        for (const auto& [name, text] : picks) {
            list(w, name)->clearEditText();
            list(w, name)->setFocus();
            QTest::keyClicks(list(w, name), text);
        }
        w.findChild<QPushButton*>(S("cmdDelete"))->click();
        return w.isVisible();
    }

private slots:
    void init()
    {
        cat.emplace();
        boxes.clear();
        const qint64 zeta = cat->addMovie(
            S("Zeta"), {{S("Genre"), S("Drama")}, {S("Executive_Producer"), S("Mogul")}, {S("Studio"), S("Big")}});
        const qint64 smith = cat->addActor(S("Smith"), S("Ann"));
        cat->link(smith, zeta);
        cat->link(smith, cat->addMovie(S("Alpha"), {{S("Genre"), S("Drama")}}));
        cat->addActor(S("O'Lone"), S("Wolf"));
        cat->lookupKey(S("tbl_Studio"), S("Studio"), S("Indie"));
        cat->lookupKey(S("tbl_Format"), S("Format"), S("Laser"));
        cat->lookupKey(S("tbl_Composer"), S("Composer"), S("The \"Kid\""));
    }

    // Each refusal, in a window of its own, leaves the store as it was and the window open.
    void refusals()
    {
        const QString inUse = S("The %1 you choose to delete is still associated with:%2\r\nPlease dissasociate this "
                                "%1 with the film(s) before deleting!");
        const std::tuple<const char*, const char*, QString> cases[] = {
            {"cboStudio", "", {}}, // nothing picked
            {"cboDirector", "No \"such\" one", {}},
            {"cboStudio", "iND", {}}, // never completed to the name it begins
            {"cboDirector", "Unknown", S("You cannot delete the ''Unknown'' record!")},
            {"cboGenre", "Drama", inUse.arg(S("Genre"), S("\r\nAlpha\r\nZeta"))},
            {"cboExecutiveProducer", "Mogul", inUse.arg(S("Executive_Producer"), S("\r\nZeta"))},
            {"cboStudio", "Indie", inUse.arg(S("Studio"), S("\r\nAlpha"))}, // its second studio
            {"cboActor", "Smith, Ann",
             S("This Actor is associated with:\r\nAlpha\r\nZeta\r\nPlease remove this Actor from the movie(s) before "
               "proceeding.")}};
        cat->scalar(S("INSERT INTO tbl_Movie_More_Name SELECT Movie_ID, 'Studio_ID', 2, (SELECT Studio_ID FROM "
                      "tbl_Studio WHERE Studio = 'Indie') FROM tbl_Movie_Title WHERE Movie_Title = 'Alpha'"));
        const qint64 before = everything();
        for (const auto& [name, pick, message] : cases) {
            boxes.clear();
            open([&](frmRemoveResource& w) { QVERIFY(press(w, {{S(name), S(pick)}})); });
            QCOMPARE(everything(), before);
            QCOMPARE(boxes.texts(), (message.isEmpty() ? QStringList{kConfirm} : QStringList{kConfirm, message}));
            QCOMPARE(boxes.boxes().front().style, int(shell::vbYesNo));
        }
    }

    // Answering No deletes nothing. A refused actor keeps the window open, and the entry deleted beside it is skipped
    // when picked again.
    void deletions()
    {
        const qint64 before = everything();
        open([&](frmRemoveResource& w) {
            QCOMPARE(list(w, S("cboStudio"))->count(), 3); // Big, Indie, Unknown
            QCOMPARE(list(w, S("cboActor"))->itemText(0), S("O'Lone, Wolf"));
            boxes.answer(shell::vbNo);
            QVERIFY(press(w, {{S("cboFormat"), S("Laser")}}));
            QCOMPARE(everything(), before);
            QVERIFY(press(w, {{S("cboComposer"), S("The \"Kid\"")}, {S("cboActor"), S("Smith, Ann")}}));
            QCOMPARE(cat->count(S("tbl_Composer")), 1);
            QCOMPARE(list(w, S("cboActor"))->currentText(), QString());
            QVERIFY(!press(w, {{S("cboComposer"), S("The \"Kid\"")},
                               {S("cboStudio"), S("Indie")},
                               {S("cboFormat"), S("Laser")},
                               {S("cboActor"), S("O'Lone, Wolf")}}));
        });
        QCOMPARE(boxes.count(), 4);
        QCOMPARE(everything(), before - 4);
    }
};

QTEST_MAIN(TestRemoveResource)
#include "test_remove_resource.moc"
