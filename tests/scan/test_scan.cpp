// Scanning discs in: pictures of codes, shop titles cleaned, and the window against a local server
// that answers as the barcode service and the film database do.
#include "../online/TestServer.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverStore.h"
#include "online/Tmdb.h"
#include "scan/Picture.h"
#include "scan/ProductTitle.h"
#include "scan/ScanChain.h"
#include "scan/ScanStore.h"
#include "scan/ScanWindow.h"
#include "store/Catalogue.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSettings>
#include <QTableWidget>
#include <QTest>

using testing::Answer;
using Answers = QList<Answer>;
using Script = QList<std::pair<QString, Answers>>; // each path's answers
Q_DECLARE_METATYPE(Script)

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };
// JSON written with ' for ".
QByteArray B(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

// UPCitemdb's free tier: one item, or none; its rate headers on every answer.
Answer product(const char* title, const char* brand = "")
{
    return {200,
            B("{'code':'OK','total':1,'offset':0,'items':[{'ean':'','title':'") + title +
                B("','description':'','brand':'") + brand + B("','category':'Media > DVDs & Videos','images':[]}]}"),
            {{"X-RateLimit-Limit", "100"}, {"X-RateLimit-Remaining", "97"}, {"X-RateLimit-Reset", "60"}}};
}
Answer films(const char* results)
{
    return {200, B("{'page':1,'total_pages':1,'results':[") + B(results) + B("]}")};
}

QByteArray poster()
{
    QImage image(60, 90, QImage::Format_RGB32);
    image.fill(Qt::darkRed);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return bytes;
}
} // namespace

class TestScan : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static QString stateOf(QTableWidget* grid, const QString& code)
    {
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->item(r, 0)->text() == code)
                return grid->item(r, 1)->text() + S(": ") + grid->item(r, 2)->text();
        return {};
    }

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
        testing::LocalOnly::install();
    }

    // Codes written as pictures, turned and shrunk as a phone photo would have them, read back.
    void pictures_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<int>("turn");
        QTest::newRow("EAN-13") << QStringList{S("4006381333931")} << 0;
        QTest::newRow("UPC-A turned") << QStringList{S("786936735390")} << 90;
        QTest::newRow("EAN-8 upside down") << QStringList{S("96385074")} << 180;
        QTest::newRow("two on one picture") << QStringList{S("5051889004578"), S("036000291452")} << 0;
        QTest::newRow("none") << QStringList{} << 0;
    }
    void pictures()
    {
        QFETCH(QStringList, codes);
        QFETCH(int, turn);
        QImage page(900, 500, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter paint(&page);
        for (qsizetype n = 0; n < codes.size(); ++n) {
            const QImage code = scan::PictureOfCode(codes[n], 380, 150);
            QVERIFY(!code.isNull());
            paint.drawImage(QPoint(20 + int(n) * 460, 150), code);
        }
        paint.end();
        const QImage photo = page.transformed(QTransform().rotate(turn)).scaledToWidth(700, Qt::SmoothTransformation);
        QStringList found = scan::CodesInPicture(photo);
        found.sort();
        codes.sort();
        QCOMPARE(found, codes);
    }

    // Real listings as shops write them.
    void cleaning_data()
    {
        QTest::addColumn<QString>("shop");
        QTest::addColumn<QString>("brand");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("year");
        QTest::newRow("blister pack") << S("Blu-ray The Belle And The Tramp Disney Blister Pack") << S("")
                                      << S("The Belle And The Tramp") << S("");
        QTest::newRow("edition in brackets")
            << S("Heat (Two-Disc Special Edition) [DVD] [1995]") << S("") << S("Heat") << S("1995");
        QTest::newRow("combo and region")
            << S("Alien (Blu-ray + DVD) [Region B] [UK Import]") << S("") << S("Alien") << S("");
        QTest::newRow("widescreen edition")
            << S("The Matrix (Widescreen Edition) DVD") << S("Warner Home Video") << S("The Matrix") << S("");
        QTest::newRow("brand and 4K") << S("Jurassic Park 4K Ultra HD + Blu-ray + Digital") << S("Universal")
                                      << S("Jurassic Park") << S("");
        QTest::newRow("anniversary, studio after a cut")
            << S("Back to the Future 25th Anniversary Trilogy Edition - Universal Studios") << S("")
            << S("Back to the Future") << S("");
        QTest::newRow("a year that is the title")
            << S("2001: A Space Odyssey (DVD, 2001)") << S("") << S("2001: A Space Odyssey") << S("2001");
        QTest::newRow("steelbook, disc count")
            << S("Inception - Limited Edition Steelbook 2-Disc Blu-ray") << S("") << S("Inception") << S("");
        QTest::newRow("nothing but noise keeps the name") << S("DVD") << S("") << S("DVD") << S("");
    }
    void cleaning()
    {
        QFETCH(QString, shop);
        QFETCH(QString, brand);
        const scan::CleanTitle clean = scan::CleanProductTitle(shop, brand);
        QTEST(clean.title, "title");
        QTEST(clean.year, "year");
    }

    // Codes typed into the focused entry as a hand scanner types them, each looked up in turn
    // against the recorded answers; then "Add", and the window opened again.
    void scanning_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<Script>("answers");
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("added"); // the movie written for the code by "Add"; empty for none

        const auto heat = std::pair{
            S("3/search/movie"),
            Answers{films("{'id':949,'title':'Heat','release_date':'1995-12-15','poster_path':'/heat.png'}")}};
        const auto film = std::pair{
            S("3/movie/949"),
            Answers{
                {200,
                 B("{'id':949,'title':'Heat','release_date':'1995-12-15','runtime':170,'poster_path':'/heat.png'}")}}};
        QTest::newRow("found, cleaned and proposed")
            << S("5051889004578")
            << Script{std::pair{S("prod/trial/lookup"),
                                Answers{product("Heat (2-Disc Special Edition) [Blu-ray] [1995]", "Warner")}},
                      heat, film}
            << S("proposed: Heat") << S("1 code in this session.") << S("Heat");
        QTest::newRow("in the catalogue, as UPC-A of its EAN-13")
            << S("036000291452") << Script{} << S("in the catalogue: Held") << S("") << S("");
        QTest::newRow("not found") << S("4006381333931")
                                   << Script{std::pair{
                                          S("prod/trial/lookup"),
                                          Answers{{200, B("{'code':'OK','total':0,'offset':0,'items':[]}")}}}}
                                   << S("not found: ") << S("") << S("A Title Typed");
        QTest::newRow("rate limit") << S("4006381333931")
                                    << Script{std::pair{
                                           S("prod/trial/lookup"),
                                           Answers{{429,
                                                    B("{'code':'EXCEED_LIMIT','message':'Exceeded the daily limit'}"),
                                                    {{"X-RateLimit-Limit", "100"},
                                                     {"X-RateLimit-Remaining", "0"},
                                                     {"X-RateLimit-Reset", "86000"},
                                                     {"Retry-After", "86000"}}}}}}
                                    << S("not found: ") << S("UPCitemdb could not be asked") << S("");
        QTest::newRow("several candidates")
            << S("786936735390")
            << Script{std::pair{S("prod/trial/lookup"), Answers{product("Heat DVD Widescreen")}},
                      std::pair{S("3/search/movie"),
                                Answers{films("{'id':949,'title':'Heat','release_date':'1995-12-15'},{'id':51,'title':'"
                                              "Heat','release_date':'1986-01-01'}")}}}
            << S("choose: Heat") << S("") << S("");
        QTest::newRow("a wrong digit") << S("5051889004579") << Script{} << S("") << S("its last digit should be 8")
                                       << S("");
        QTest::newRow("the same code twice")
            << S("4006381333931 4006381333931")
            << Script{std::pair{S("prod/trial/lookup"), Answers{{404, B("{'code':'NOT_FOUND','message':'No match'}")}}}}
            << S("not found: ") << S("was scanned already") << S("");
    }
    void scanning()
    {
        QFETCH(QString, typed);
        QFETCH(QString, state);
        QFETCH(QString, added);
        QFETCH(QString, status);
        const QString code = typed.section(u' ', 0, 0);
        QFETCH(Script, answers);

        testing::TempCatalogue tc;
        {
            store::Connection db = tc.open();
            catalog::Movie held;
            held.title = S("Held");
            held.barcodes = {S("0036000291452")};
            catalog::MovieWriter(db).Add(held);
        }
        testing::TestServer server;
        server.answer(S("3/configuration"), {{200, B("{'images':{'secure_base_url':'https://image.example/t/p/"
                                                     "','poster_sizes':['w92','w500','original']}}")}});
        server.answer(S("img/w500/heat.png"), {{200, poster()}});
        for (const auto& [path, list] : answers)
            server.answer(path, list);
        QSettings settings(QSettings::IniFormat, QSettings::UserScope, S("Reelkeeper"), S("Reelkeeper"));
        settings.setValue(S("Online tmdb/Key"), S("k3y-SECRET"));
        settings.setValue(S("Online tmdb/Base URL"), server.url(S("3")).toString());
        settings.setValue(S("Online tmdb-images/Base URL"), server.url(S("img")).toString());
        settings.setValue(S("Online upcitemdb/Base URL"), server.url(S("prod/trial")).toString());
        settings.sync();

        QFile::remove(m_dir.filePath(S("cache.sqlite")));
        online::Gateway gateway(m_dir.filePath(S("cache.sqlite")));
        online::AddTmdbServices(gateway);
        scan::AddUpcitemdbService(gateway);
        const auto service = scan::MakeUpcitemdb(gateway);
        const auto provider = online::MakeTmdb(gateway, {});
        std::vector<qint64> shown;
        {
            auto window =
                std::make_unique<scan::frmScan>(*service, provider.get(), [&](qint64 id) { shown.push_back(id); });
            window->show();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            // A scanner: the digits, then Enter, as fast as keys go.
            for (const QString& code : typed.split(u' ')) {
                QTest::keyClicks(QApplication::focusWidget(), code);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            }
            auto* grid = window->findChild<QTableWidget*>(S("grdScanned"));
            if (state.isEmpty())
                QCOMPARE(grid->rowCount(), 0);
            else
                QTRY_VERIFY2_WITH_TIMEOUT(stateOf(grid, code).startsWith(state), qPrintable(stateOf(grid, code)), 8000);
            QVERIFY(window->findChild<QLabel*>(S("lblStatus"))->text().contains(status));
            QCOMPARE(shown.size(), state.startsWith(S("in the catalogue")) ? 1u : 0u);
            if (!added.isEmpty()) {
                if (state.startsWith(S("not found"))) {
                    // Its title typed into the list, as the user does, ticks it.
                    grid->setFocus();
                    grid->setCurrentCell(0, 2);
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
                    QTest::keyClicks(QApplication::focusWidget(), added);
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                } else {
                    QTRY_VERIFY(!grid->item(0, 2)->icon().isNull()); // the poster's thumbnail came
                }
                testing::click(window.get(), "cmdAdd");
                QTRY_COMPARE(grid->item(0, 1)->text(), S("added"));
            }
            window->close();
        }
        QVERIFY2(testing::LocalOnly::strays().isEmpty(), qPrintable(testing::LocalOnly::strays().join(u' ')));

        store::Connection db = tc.open();
        if (!added.isEmpty()) {
            const qint64 id = *scan::MovieWithCode(db, code);
            QCOMPARE(catalog::ReadMovie(db, id)->title, added);
            QCOMPARE(covers::HasCover(db, id), state.startsWith(S("proposed")));
        }
        // What found nothing, or was left to choose, waits for the next session.
        const bool waits = (state.startsWith(S("not found")) && added.isEmpty()) || state.startsWith(S("choose"));
        const std::vector<scan::ToDo> todo = scan::CodesToDo(db);
        QCOMPARE(todo.size(), waits ? 1u : 0u);
        if (waits) {
            scan::frmScan again(*service, provider.get(), {});
            QCOMPARE(stateOf(again.findChild<QTableWidget*>(S("grdScanned")), code), S("to do: "));
        }
    }
};

QTEST_MAIN(TestScan)
#include "test_scan.moc"
