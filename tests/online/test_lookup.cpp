// Looking movies up on TMDb, against a local server that plays TMDb's recorded answers.
#include "TestServer.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverStore.h"
#include "movie_editor/frmMovieAdd.h"
#include "online/LookupWindow.h"
#include "online/Matching.h"
#include "online/OnlineFeature.h"
#include "online/OnlineWindows.h"
#include "online/Tmdb.h"
#include "shell/App.h"
#include "shell/Toolkit.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTest>

using namespace online;
using testing::Answer;
using Answers = QList<Answer>;
Q_DECLARE_METATYPE(Answers)

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };
const QString kKey = S("k3y-SECRET");

QByteArray recorded(const char* name)
{
    QFile f(S(REELKEEPER_ONLINE_DATA "/") + S(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void setting(const QString& key, const QVariant& value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"));
    if (value.isValid())
        s.setValue(key, value);
    else
        s.remove(key);
}

QString fieldText(const Details& d, const QString& caption)
{
    if (caption == S("poster"))
        return d.posterPath;
    if (caption == S("cast last names")) {
        QStringList last;
        for (const catalog::CastMember& c : d.movie.cast)
            last << c.last;
        return last.join(S(","));
    }
    for (const OnlineField& f : OnlineFields())
        if (f.caption == caption)
            return f.text(d.movie);
    return S("(no such field)");
}

template <class T = QWidget> T* ctl(QWidget* w, const char* name)
{
    return w->findChild<T*>(S(name));
}
void key(Qt::Key k)
{
    QTest::keyClick(QApplication::focusWidget(), k);
}
} // namespace

class TestLookup : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    std::unique_ptr<testing::TestServer> m_server;
    std::optional<testing::TempCatalogue> m_cat;
    std::optional<testing::ScriptedMessages> m_msgs;

    void serveTmdb()
    {
        m_server->answer(S("3/search/movie"), {{200, recorded("search_matrix.json")}});
        m_server->answer(S("3/movie/603"), {{200, recorded("movie_603.json")}});
        m_server->answer(S("3/movie/684731"), {{200, recorded("movie_684731.json")}});
        m_server->answer(S("3/find/tt0133093"), {{200, recorded("find_tt0133093.json")}});
        m_server->answer(S("3/configuration"), {{200, recorded("configuration.json")}});
        m_server->answer(S("t/p/w92/f89U3ADr1oiB1s9GkdPOEpXUk5H.jpg"), {{200, recorded("poster.jpg")}});
        m_server->answer(S("t/p/w500/f89U3ADr1oiB1s9GkdPOEpXUk5H.jpg"), {{200, recorded("poster.jpg")}});
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        testing::LocalOnly::install();
        online::RegisterFeature();
    }
    void init()
    {
        // A fresh gateway and cache each time, so no answer of an earlier test is given again.
        delete &SharedGateway();
        QFile::remove(Gateway::DefaultCacheFile());
        m_server = std::make_unique<testing::TestServer>();
        serveTmdb();
        setting(S("Online tmdb/Base URL"), m_server->url(S("3")));
        setting(S("Online tmdb-images/Base URL"), m_server->url(S("t/p")));
        setting(S("Online tmdb/Key"), kKey);
        setting(S("Online tmdb/Language"), S("en-US"));
        setting(S("Online tmdb/Country"), S("US"));
        setting(S("Online tmdb/Time-out s"), 1);
        setting(S("Online tmdb/Requests"), {});
        testing::LocalOnly::strays().clear();
        m_cat.emplace();
        m_msgs.emplace();
    }
    void cleanup()
    {
        shell::SetModalHandler({});
        QVERIFY2(testing::LocalOnly::strays().isEmpty(), qPrintable(testing::LocalOnly::strays().join(S(" "))));
        for (const testing::Received& r : m_server->received) // on the wire to the API, and only there
            QCOMPARE(r.query.value(S("api_key")), r.path.startsWith(S("3/")) ? kKey : QString());
        m_msgs.reset();
        m_cat.reset();
    }

    // What of TMDb's answer lands where: crew jobs to credits, billing order, the user's country.
    void mapsTmdbAnswers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const QString m = S("movie_603.json");
        QTest::newRow("two directors in order")
            << m << S("US") << S("Director") << S("Lilly Wachowski; Lana Wachowski");
        QTest::newRow("writer") << m << S("US") << S("Writer") << S("Lilly Wachowski; Lana Wachowski");
        QTest::newRow("no screenplay credit") << m << S("US") << S("Screenwriter") << QString();
        QTest::newRow("producer") << m << S("US") << S("Producer") << S("Joel Silver");
        QTest::newRow("executive producer") << m << S("US") << S("Executive Producer") << S("Barrie M. Osborne");
        QTest::newRow("composer") << m << S("US") << S("Composer") << S("Don Davis");
        QTest::newRow("cinematographer") << m << S("US") << S("Cinematographer") << S("Bill Pope");
        QTest::newRow("genres") << m << S("US") << S("Genre") << S("Action; Science Fiction");
        QTest::newRow("first company the studio")
            << m << S("US") << S("Studio")
            << S("Village Roadshow Pictures; Groucho II Film Partnership; Silver Pictures");
        QTest::newRow("runtime as h:mm") << m << S("US") << S("Length") << S("2:16");
        QTest::newRow("year") << m << S("US") << S("Year") << S("1999");
        QTest::newRow("US theatrical, not the premiere") << m << S("US") << S("Rating") << S("R");
        QTest::newRow("German certification") << m << S("de") << S("Rating") << S("16");
        QTest::newRow("a country without one") << m << S("FR") << S("Rating") << QString();
        QTest::newRow("cast in billing order")
            << m << S("US") << S("Cast")
            << S("Keanu Reeves (Thomas A. Anderson / Neo); Laurence Fishburne (Morpheus); Carrie-Anne Moss (Trinity); "
                 "Hugo Weaving (Agent Smith)");
        QTest::newRow("last names split") << m << S("US") << S("cast last names") << S("Reeves,Fishburne,Moss,Weaving");
        QTest::newRow("ids") << m << S("US") << S("IMDb id") << S("tt0133093");
        QTest::newRow("TMDb id") << m << S("US") << S("TMDb id") << S("603");
        QTest::newRow("poster") << m << S("US") << S("poster") << S("/f89U3ADr1oiB1s9GkdPOEpXUk5H.jpg");
        QTest::newRow("German title") << S("movie_603_de.json") << S("DE") << S("Title") << S("Matrix");
        QTest::newRow("German plot") << S("movie_603_de.json") << S("DE") << S("Plot")
                                     << S("Ein Hacker erfährt, dass die Welt, in der er lebt, eine Simulation ist.");
        QTest::newRow("original title kept")
            << S("movie_603_de.json") << S("DE") << S("Original title") << S("The Matrix");
        QTest::newRow("missing poster") << S("movie_684731.json") << S("US") << S("poster") << QString();
        QTest::newRow("no runtime, no length") << S("movie_684731.json") << S("US") << S("Length") << QString();
        QTest::newRow("null IMDb id") << S("movie_684731.json") << S("US") << S("IMDb id") << QString();
    }
    void mapsTmdbAnswers()
    {
        QFETCH(QString, file);
        QFETCH(QString, country);
        QFETCH(QString, field);
        const QJsonObject film = QJsonDocument::fromJson(recorded(file.toLatin1().constData())).object();
        QVERIFY(!film.isEmpty());
        QTEST(fieldText(TmdbDetails(film, country), field), "expected");
    }

    void matchScore_data()
    {
        QTest::addColumn<QStringList>("ours");   // title, year, length
        QTest::addColumn<QStringList>("theirs"); // title, original title, year, length
        QTest::addColumn<bool>("sure");
        QTest::newRow("same title and year")
            << QStringList{S("The Matrix"), S("1999"), S("")}
            << QStringList{S("The Matrix"), S("The Matrix"), S("1999"), S("2:16")} << true;
        QTest::newRow("article, case and accents aside")
            << QStringList{S("matrix"), S("1999"), S("2:16")}
            << QStringList{S("The Mâtrix"), S(""), S("1999"), S("2:16")} << true;
        QTest::newRow("by the original title")
            << QStringList{S("Die Matrix der Liebe"), S(""), S("")}
            << QStringList{S("Matrix of Love"), S("Die Matrix der Liebe"), S(""), S("")} << true;
        QTest::newRow("the editor's default year and length know nothing")
            << QStringList{S("The Matrix"), S("1900"), S("1:30")}
            << QStringList{S("The Matrix"), S(""), S("1999"), S("2:16")} << true;
        QTest::newRow("year two off") << QStringList{S("The Matrix"), S("2001"), S("")}
                                      << QStringList{S("The Matrix"), S(""), S("1999"), S("")} << false;
        QTest::newRow("length far off") << QStringList{S("The Matrix"), S(""), S("1:00")}
                                        << QStringList{S("The Matrix"), S(""), S("1999"), S("2:16")} << false;
        QTest::newRow("another film") << QStringList{S("The Matrix Revisited"), S("1999"), S("")}
                                      << QStringList{S("The Matrix"), S(""), S("1999"), S("")} << false;
    }
    void matchScore()
    {
        QFETCH(QStringList, ours);
        QFETCH(QStringList, theirs);
        catalog::Movie m;
        m.title = ours[0], m.year = ours[1], m.length = ours[2];
        QTEST(MatchScore(m, theirs[0], theirs[1], theirs[2], theirs[3]) >= kSureMatch, "sure");
    }

    // As the user does it: a title typed, "&Look Up...", a film picked with the keys, the values ticked,
    // the form filled and saved with its own Update.
    void lookUpFromTheEditor()
    {
        m_server->answer(S("3/search/movie"), {{200, recorded("search_matrix.json"), {}, 200}});
        shell::CurrentMovieTitle().clear();
        movie_editor::frmMovieAdd editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QTest::keyClicks(QApplication::focusWidget(), S("matrix"));
        QTest::keyClicks(ctl(&editor, "txtYear"), S("1998")); // filled: not changed unless ticked
        qint64 listedAfter = -1;
        QStringList rows, status;
        shell::SetModalHandler([&](QWidget* w) {
            auto* list = ctl<QListWidget>(w, "lstCandidates");
            QElapsedTimer clock;
            clock.start();
            QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list, [&] {
                if (listedAfter < 0)
                    listedAfter = clock.elapsed() - 200; // the server's own delay aside
            });
            QTRY_COMPARE(list->count(), 3);
            QTRY_VERIFY(list->item(0)->text().contains(S("Lilly Wachowski"))); // the director came
            QVERIFY(list->item(1)->text().startsWith(S("The Matrix Revisited (2001)")));
            QVERIFY(list->item(2)->text().contains(S("Die Matrix der Liebe")));
            QCOMPARE(QApplication::focusWidget(), list);
            key(Qt::Key_Down), key(Qt::Key_Up), key(Qt::Key_Return);
            auto* table = ctl<QTableWidget>(w, "tblCompare");
            QTRY_VERIFY(table->isVisible());
            QTRY_COMPARE(table->item(table->rowCount() - 1, 2)->text(), S("(the poster)"));
            for (int r = 0; r < table->rowCount(); ++r) {
                rows << table->item(r, 0)->text() + (table->item(r, 0)->checkState() ? S("+") : S("-"));
                if (table->item(r, 0)->text() == S("Title")) {
                    table->setFocus();
                    table->setCurrentCell(r, 0);
                    key(Qt::Key_Space); // the typed title gives way to TMDb's
                }
            }
            status << ctl<QLabel>(w, "lblStatus")->text() << ctl<QLabel>(w, "lblAttribution")->text();
            QTest::mouseClick(ctl<QPushButton>(w, "cmdFillIn"), Qt::LeftButton);
        });
        QTest::mouseClick(ctl<QPushButton>(&editor, "cmdLookup"), Qt::LeftButton);
        QVERIFY(listedAfter >= 0 && listedAfter < 100);
        qInfo("candidates listed %lld ms after the answer", listedAfter);
        QCOMPARE(rows, (QStringList{S("Title-"), S("Original title+"), S("Year-"), S("Length+"), S("Rating+"),
                                    S("Director+"), S("Producer+"), S("Executive Producer+"), S("Writer+"),
                                    S("Composer+"), S("Cinematographer+"), S("Genre+"), S("Studio+"), S("Cast+"),
                                    S("Plot+"), S("IMDb id+"), S("TMDb id+"), S("Cover+")}));
        QVERIFY(status.join(S(" ")).contains(S(kTmdbAttribution)));
        QCOMPARE(ctl<QLineEdit>(&editor, "txtMovieTitle")->text(), S("The Matrix"));
        QCOMPARE(ctl<QLineEdit>(&editor, "txtYear")->text(), S("1998"));
        QCOMPARE(ctl<QComboBox>(&editor, "dbcDirector")->currentText(), S("Lilly Wachowski"));
        QCOMPARE(m_cat->count(S("tbl_Movie_Title")), 0); // nothing saved before the Update

        QTest::mouseClick(ctl<QPushButton>(&editor, "cmd_Update"), Qt::LeftButton);
        const qint64 id = m_cat->scalar(S("SELECT Movie_ID FROM tbl_Movie_Title")).toLongLong();
        const std::optional<catalog::Movie> saved = catalog::ReadMovie(m_cat->open(), id);
        QVERIFY(saved);
        QCOMPARE(catalog::Names(*saved, store::kDirector), (QStringList{S("Lilly Wachowski"), S("Lana Wachowski")}));
        QCOMPARE(saved->cast.size(), std::size_t(4));
        QCOMPARE(saved->cast[1].character, S("Morpheus"));
        QVERIFY(saved->plot.startsWith(S("Set in the 22nd century")));
        QCOMPARE(saved->imdbId + saved->tmdbId + saved->year, S("tt01330936031998"));
        QVERIFY(covers::HasCover(m_cat->open(), id));
    }

    // Each failure is one plain sentence in the window, and the key is in none of them.
    void failuresAreTold_data()
    {
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QString>("base"); // a base address other than the server's
        QTest::addColumn<QString>("expected");
        QTest::newRow("no key") << Answers{} << S("no key") << S("No TMDb key is set");
        QTest::newRow("wrong key") << Answers{{401, R"({"status_code":7,"status_message":"Invalid API key"})"}}
                                   << QString() << S("did not accept the key (HTTP 401)");
        QTest::newRow("rate limit") << Answers{{429, {}, {{"Retry-After", "3600"}}}} << QString()
                                    << S("asks to wait 3600 seconds");
        QTest::newRow("time-out") << Answers{{200, "{}", {}, 2500}} << QString() << S("timed out");
        QTest::newRow("malformed JSON") << Answers{{200, R"({"page":1,"results":[{"id":603,)"}} << QString()
                                        << S("is not valid JSON");
        QTest::newRow("redirect to another host")
            << Answers{{302, {}, {{"Location", "https://tmdb.example.org/3/search/movie"}}}} << QString()
            << S("which was not followed");
        QTest::newRow("the service's own error")
            << Answers{{503, R"({"status_code":11,"status_message":"Internal error: Something went wrong."})"}}
            << QString() << S("had a problem answering (HTTP 503): Internal error");
        QTest::newRow("no network") << Answers{} << S("http://127.0.0.1:1/3") << S("could not be reached");
        QTest::newRow("nothing found") << Answers{{200, R"({"page":1,"results":[],"total_results":0})"}} << QString()
                                       << S("No film of that title was found");
    }
    void failuresAreTold()
    {
        QFETCH(Answers, answers);
        QFETCH(QString, base);
        m_server->answer(S("3/search/movie"), answers);
        if (base == S("no key"))
            setting(S("Online tmdb/Key"), {});
        else if (!base.isEmpty())
            setting(S("Online tmdb/Base URL"), base);
        auto provider = MakeTmdb(SharedGateway());
        catalog::Movie movie;
        movie.title = S("The Matrix");
        frmLookup w(*provider, movie, false);
        auto* status = ctl<QLabel>(&w, "lblStatus");
        QTRY_VERIFY_WITH_TIMEOUT(!status->text().startsWith(S("Looking")), 4000);
        const QString told = status->text();
        QFETCH(QString, expected);
        QVERIFY2(told.contains(expected), qPrintable(told));
        QVERIFY(!told.contains(S("SECRET")));
        if (base == S("no key"))
            QVERIFY(m_server->received.isEmpty());
        w.close();
    }

    // The bulk window: every movie matched by its id or its title, each written whole or not at all,
    // a cancel keeping what was done, a doubtful film applied only when ticked.
    void bulkUpdate_data()
    {
        QTest::addColumn<int>("cancelAt");
        QTest::newRow("to the end") << -1;
        QTest::newRow("cancelled half-way") << 15;
    }
    void bulkUpdate()
    {
        QFETCH(int, cancelAt);
        setting(S("Online tmdb/Requests"), 4);
        setting(S("Online tmdb/Interval ms"), 100);
        std::vector<qint64> ids;
        {
            store::Connection db = m_cat->open();
            store::Transaction unit(db);
            catalog::MovieWriter writer(db);
            for (int i = 0; i < 30; ++i) {
                catalog::Movie m;
                m.title = S("Movie %1").arg(i);
                m.credits[store::kGenre] = S("Drama"); // kept: only what is missing is filled
                (i % 2 ? m.imdbId : m.tmdbId) = i % 2 ? S("tt0133093") : S("603");
                ids.push_back(writer.Add(m));
            }
            catalog::Movie byTitle;
            byTitle.title = S("The Matrix");
            byTitle.year = S("1999");
            ids.push_back(writer.Add(byTitle));
            catalog::Movie doubtful;
            doubtful.title = S("Matrix");
            doubtful.year = S("2005");
            ids.push_back(writer.Add(doubtful));
            unit.commit();
        }
        m_server->answer(S("3/search/movie"), {{200, recorded("search_matrix.json")}});
        auto provider = MakeTmdb(SharedGateway());
        frmOnlineUpdate w(*provider, ids, S("every movie"));
        w.show();
        QTest::mouseClick(ctl<QPushButton>(&w, "cmdStart"), Qt::LeftButton);
        auto* bar = ctl<QProgressBar>(&w, "prgUpdate");
        auto* cancel = ctl<QPushButton>(&w, "cmdCancel");
        if (cancelAt > 0) {
            QTRY_VERIFY(bar->value() >= cancelAt);
            QTest::mouseClick(cancel, Qt::LeftButton);
        }
        QTRY_COMPARE_WITH_TIMEOUT(cancel->text(), S("Close"), 20000);
        const qint64 filled = m_cat->count(S("tbl_Movie_Title WHERE Movie_ID IN (SELECT Movie_ID FROM "
                                             "tbl_Movie_Title m JOIN tbl_Director d USING (Director_ID) "
                                             "WHERE d.Director = 'Lilly Wachowski')"));
        const QString told = ctl<QLabel>(&w, "lblStatus")->text();
        if (cancelAt > 0) {
            QVERIFY2(filled >= cancelAt - 4 && filled < 31, qPrintable(told));
            QVERIFY2(told.startsWith(S("Cancelled: what was done before stays.")), qPrintable(told));
            QVERIFY2(bar->value() >= filled, qPrintable(told)); // writes ended after the cancel count too
        } else {
            QCOMPARE(filled, 31);
            QVERIFY2(told.contains(S("31 movies updated")) && told.contains(S("1 film to confirm")), qPrintable(told));
            auto* doubtful = ctl<QTableWidget>(&w, "tblDoubtful");
            QCOMPARE(doubtful->rowCount(), 1);
            doubtful->setFocus();
            doubtful->setCurrentCell(0, 0);
            key(Qt::Key_Space);
            QTest::mouseClick(ctl<QPushButton>(&w, "cmdApply"), Qt::LeftButton);
            QCOMPARE(catalog::ReadMovie(m_cat->open(), ids.back())->tmdbId, S("603"));
        }
        // Whole or not at all: a movie with its director has its cast, plot and cover too; the genre it had stays.
        QCOMPARE(m_cat->count(S("tbl_Movie_Details WHERE Plot LIKE 'Set in%'")), filled + (cancelAt > 0 ? 0 : 1));
        QCOMPARE(m_cat->count(S("tbl_Cover")), filled);
        const catalog::Movie first = *catalog::ReadMovie(m_cat->open(), ids.front());
        QCOMPARE(first.credits[store::kGenre], S("Drama"));
        QCOMPARE(first.length, S("2:16")); // the length put in for none is no length of its own
        QCOMPARE(first.cast.size(), std::size_t(4));
        QVERIFY(covers::HasCover(m_cat->open(), ids.front()));
    }

    // The key is kept in the settings file, and the file is the user's alone.
    void settingsKeepTheKeyToTheUser()
    {
        setting(S("Online tmdb/Key"), {});
        shell::SetModalHandler([](QWidget* w) {
            QTest::keyClicks(ctl(w, "txtKey"), S("  eyJhbGciOiJIUzI1NiJ9.e30.sig  "));
            QCOMPARE(ctl<QLineEdit>(w, "txtKey")->echoMode(), QLineEdit::Password);
            QTest::mouseClick(ctl<QPushButton>(w, "cmdOK"), Qt::LeftButton);
        });
        shell::ShowModal(new frmOnlineSettings, nullptr);
        QSettings s(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"));
        QCOMPARE(s.value(S("Online tmdb/Key")).toString(), S("eyJhbGciOiJIUzI1NiJ9.e30.sig"));
        QCOMPARE(QFile::permissions(s.fileName()) & 0x0077, QFile::Permissions{}); // nothing for group or others
        // A token goes in the header, never in the address.
        auto provider = MakeTmdb(SharedGateway());
        catalog::Movie movie;
        movie.title = S("The Matrix");
        frmLookup w(*provider, movie, false);
        QTRY_COMPARE(ctl<QListWidget>(&w, "lstCandidates")->count(), 3);
        QCOMPARE(m_server->received.first().headers.value("authorization"),
                 QByteArray("Bearer eyJhbGciOiJIUzI1NiJ9.e30.sig"));
        m_server->received.clear(); // the query check of cleanup is for keys
        w.close();
    }
};

QTEST_MAIN(TestLookup)
#include "test_lookup.moc"
