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

class TestRemoveResource : public QObject
{
    Q_OBJECT
    std::optional<testing::TempCatalogue> cat;
    testing::ScriptedMessages boxes;

    qint64 count(const char* from) const { return cat->scalar(S("SELECT count(*) FROM ") + S(from)).toLongLong(); }
    qint64 everything() const
    {
        return count("tbl_Director") + count("tbl_Genre") + count("tbl_Executive_Producer") + count("tbl_Studio") +
               count("tbl_Format") + count("tbl_Composer") + count("tbl_Actor");
    }
    // Opens the window as the main window does and lets steps drive it while it is up.
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
        for (const auto& [name, text] : picks)
            list(w, name)->setEditText(text);
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
        const qint64 alpha = cat->addMovie(S("Alpha"), {{S("Genre"), S("Drama")}});
        const qint64 smith = cat->addActor(S("Smith"), S("Ann"));
        cat->link(smith, zeta);
        cat->link(smith, alpha);
        cat->addActor(S("Lone"), S("Wolf"));
        cat->lookupKey(S("tbl_Studio"), S("Studio"), S("Indie"));
        cat->lookupKey(S("tbl_Format"), S("Format"), S("Laser"));
        cat->lookupKey(S("tbl_Composer"), S("Composer"), S("The \"Kid\""));
    }

    // Refusals leave the store as it was and the window open.
    void refusals_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("pick");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        const auto inUse = [](const char* kind, const char* titles) {
            return S("The %1 you choose to delete is still associated with:%2\r\nPlease dissasociate this %1 with the "
                     "film(s) before deleting!")
                .arg(S(kind), S(titles));
        };
        const auto row = [](const char* tag, const char* list, const char* pick, const QString& message,
                            const char* title = "Cinevault - Reelkeeper", int icon = shell::vbExclamation) {
            QTest::newRow(tag) << S(list) << S(pick) << message << S(title) << icon;
        };
        row("nothing picked", "cboStudio", "", {});
        row("typed, quoted", "cboDirector", "No \"such\" one", {});
        row("Unknown director", "cboDirector", "Unknown", S("You cannot delete the ''Unknown'' record!"), "Error!");
        row("genre in use", "cboGenre", "Drama", inUse("Genre", "\r\nAlpha\r\nZeta"));
        row("executive producer in use", "cboExecutiveProducer", "Mogul", inUse("Executive_Producer", "\r\nZeta"));
        row("actor in cast", "cboActor", "Smith, Ann",
            S("This Actor is associated with:\r\nAlpha\r\nZeta\r\nPlease remove this Actor from the movie(s) before "
              "proceeding."),
            "Reelkeeper", shell::vbInformation);
    }
    void refusals()
    {
        QFETCH(QString, list);
        QFETCH(QString, pick);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(int, icon);
        const qint64 before = everything();
        open([&](frmRemoveResource& w) { QVERIFY(press(w, {{list, pick}})); });
        QCOMPARE(everything(), before);
        QCOMPARE(boxes.boxes().front().text, S("Are you sure you want to delete the selected resources?"));
        QCOMPARE(boxes.boxes().front().style, int(shell::vbYesNo));
        QCOMPARE(boxes.count(), message.isEmpty() ? 1 : 2);
        if (!message.isEmpty())
            QCOMPARE((std::tuple{boxes.last().text, boxes.last().title, boxes.last().icon()}),
                     (std::tuple{message, title, icon}));
    }

    // The lists hold every entry. A refused actor keeps the window open; an entry deleted then is
    // skipped when picked again.
    void deletions()
    {
        const qint64 before = everything();
        open([this](frmRemoveResource& w) {
            QCOMPARE(list(w, S("cboStudio"))->count(), 3); // Big, Indie, Unknown
            QCOMPARE(list(w, S("cboStudio"))->currentText(), QString());
            QCOMPARE(list(w, S("cboActor"))->itemText(0), S("Lone, Wolf"));
            QVERIFY(press(w, {{S("cboComposer"), S("The \"Kid\"")}, {S("cboActor"), S("Smith, Ann")}}));
            QCOMPARE(count("tbl_Composer"), 1);
            QCOMPARE(list(w, S("cboActor"))->currentText(), QString());
            QVERIFY(!press(w, {{S("cboComposer"), S("The \"Kid\"")},
                               {S("cboStudio"), S("Indie")},
                               {S("cboFormat"), S("Laser")},
                               {S("cboActor"), S("Lone, Wolf")}}));
        });
        QCOMPARE(boxes.count(), 3);
        QCOMPARE(everything(), before - 4);
    }
};

QTEST_MAIN(TestRemoveResource)
#include "test_remove_resource.moc"
