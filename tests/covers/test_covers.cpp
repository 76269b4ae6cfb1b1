// Covers: pictures refused before they are decoded, and the round trip through the quick-info
// panel and the editor as the user drops, pastes, chooses, replaces and removes them.
#include "covers/CoverImage.h"
#include "covers/CoverView.h"
#include "main_window/DeleteMovie.h"
#include "main_window/MovieGrid.h"
#include "movie_editor/frmMovieAdd.h"
#include "shell/Background.h"
#include "support/MainWindow.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

const auto S = [](const char* text) { return QString::fromUtf8(text); };

// Flat artwork: a white block on a ground of one colour, in the pixel format given.
static QByteArray picture(const char* format, int width = 600, int height = 900, QColor colour = Qt::darkCyan,
                          QImage::Format pixels = QImage::Format_ARGB32)
{
    if (qstrcmp(format, "gif") == 0) // Qt writes no GIF
        return QByteArray::fromBase64("R0lGODlhBAAGAPAAAP8AAAAAACH5BAAAAAAALAAAAAAEAAYAAAIEhI+pVwA7");
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    QPainter(&image).fillRect(width / 4, height / 4, width / 2, height / 2, Qt::white);
    if (pixels == QImage::Format_Mono || pixels == QImage::Format_Indexed8)
        image = image.convertToFormat(pixels, {colour.rgba(), qRgb(255, 255, 255)});
    else
        image = image.convertToFormat(pixels);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A real JPEG whose frame header says 30,000 x 30,000.
static QByteArray hugeJpeg()
{
    QByteArray bytes = picture("jpeg", 16, 16);
    const qsizetype frame = bytes.indexOf(QByteArrayLiteral("\xFF\xC0")) + 5;
    for (int i = 0; i < 4; ++i)
        bytes[frame + i] = char(i % 2 ? 0x30 : 0x75); // 0x7530 = 30000
    return bytes;
}

static void drop(QWidget* target, const QString& file)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPointF at(target->width() / 2, target->height() / 2);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

class TestCovers : public QObject
{
    Q_OBJECT
private slots:
    void picturesTakenOrRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("refusal"); // empty: taken
        QTest::newRow("large JPEG") << picture("jpeg", 2400, 1600) << QString();
        QTest::newRow("JPEG with a video after it") << picture("jpeg") + QByteArray(100000, 'v') << QString();
        QTest::newRow("PNG with alpha") << picture("png", 300, 200, QColor(0, 0, 255, 90)) << QString();
        QTest::newRow("PNG, 1-bit palette") << picture("png", 800, 200, Qt::darkCyan, QImage::Format_Mono) << QString();
        QTest::newRow("PNG, 1-bit palette, large")
            << picture("png", 2400, 480, Qt::darkCyan, QImage::Format_Mono) << QString();
        QTest::newRow("PNG, palette") << picture("png", 1000, 300, Qt::darkRed, QImage::Format_Indexed8) << QString();
        QTest::newRow("PNG, grey") << picture("png", 700, 140, Qt::darkGray, QImage::Format_Grayscale8) << QString();
        QTest::newRow("WebP") << picture("webp") << QString();
        QTest::newRow("GIF") << picture("gif") << QString();
        QTest::newRow("BMP") << picture("bmp") << QString();
        QTest::newRow("TIFF") << picture("tiff") << S("is not a picture Reelkeeper can use");
        QTest::newRow("text") << QByteArray("Not a picture\n") << S("is not a picture Reelkeeper can use");
        for (const char* format : {"jpeg", "png", "webp", "gif", "bmp"})
            QTest::newRow(qPrintable(S("truncated ") + S(format)))
                << picture(format).chopped(picture(format).size() / 3) << S("damaged or incomplete");
        QTest::newRow("30,000 x 30,000 JPEG") << hugeJpeg() << S("too large for a cover (30000 × 30000 pixels)");
        QTest::newRow("100 MB") << QByteArray() << S("too large for a cover (100 MB)");
    }
    void picturesTakenOrRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        QFile file(dir.filePath(S("picture.x")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        if (bytes.isEmpty())
            file.resize(100LL * 1024 * 1024); // sparse: nothing is written
        file.close();
        const covers::Prepared got = covers::PrepareCoverFile(file.fileName());
        if (!refusal.isEmpty()) {
            QVERIFY2(got.error.contains(refusal) && got.error.contains(covers::DisplayName(file.fileName())),
                     qPrintable(got.error));
            return;
        }
        QVERIFY2(got.ok(), qPrintable(got.error));
        const QImage stored = QImage::fromData(got.cover.picture), thumbnail = QImage::fromData(got.cover.thumbnail);
        QVERIFY(qMax(stored.width(), stored.height()) <= 1000 && qMax(thumbnail.width(), thumbnail.height()) <= 320);
        QCOMPARE(stored.width() * 100 / stored.height(), thumbnail.width() * 100 / thumbnail.height());
        // The thumbnail shows the picture's colours, ground and block, give or take the JPEG's loss.
        for (QPointF at : {QPointF(0.1, 0.1), QPointF(0.5, 0.5)}) {
            const auto colour = [&](const QImage& image) {
                return image.pixelColor(int(at.x() * image.width()), int(at.y() * image.height()));
            };
            const QColor want = colour(stored), got = colour(thumbnail);
            QVERIFY2(qAbs(want.red() - got.red()) + qAbs(want.green() - got.green()) + qAbs(want.blue() - got.blue()) +
                             qAbs(want.alpha() - got.alpha()) <
                         24,
                     qPrintable(want.name(QColor::HexArgb) + S(" shown as ") + got.name(QColor::HexArgb)));
        }
    }

    // Set on the panel, shown above "Starring:", replaced and removed in the editor, stored with a
    // new movie's save and deleted with its movie.
    void roundTrip()
    {
        testing::TempCatalogue cat;
        testing::ScriptedMessages boxes;
        const qint64 alien = cat.addMovie(S("Alien"));
        cat.addMovie(S("Brazil"));
        const QString tall = cat.dir() + S("/tall.jpg"), wide = cat.dir() + S("/wide.png");
        for (const auto& [path, bytes] :
             {std::pair{tall, picture("jpeg")}, {wide, picture("png", 900, 400, Qt::red)}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) > 0);
        }
        const auto stored = [&](qint64 movie) {
            return cat.scalar(S("SELECT length(Picture) FROM tbl_Cover WHERE Movie_ID = ?"), {movie}).toInt();
        };

        const auto main = testing::OpenMain();
        auto* panel = main->findChild<QWidget*>(S("frmInfo"));
        auto* shown = panel->findChild<covers::CoverView*>(S("imgCover"));
        auto* starring = panel->findChild<QLabel*>(S("Label4"));
        const int bare = starring->y();
        drop(panel, tall);
        QTRY_COMPARE(stored(alien), int(QFileInfo(tall).size()));
        QTRY_VERIFY(shown->isVisible() && starring->y() > shown->geometry().bottom());
        main->dbgMovie()->SetRow(1); // Brazil: nothing shown, the cast list back in its place
        QVERIFY(!shown->isVisible() && starring->y() == bare);
        drop(panel, wide); // then on to Alien before it is read: it lands on neither movie
        main->dbgMovie()->SetRow(0);
        shell::WorkPool()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(stored(alien), int(QFileInfo(tall).size()));
        QCOMPARE(cat.count(S("tbl_Cover")), 1);
        QVERIFY(shown->isVisible());

        // In the editor a change waits for Update, as every other field does: Exit drops it.
        auto editor = std::make_unique<movie_editor::frmMovieAdd>();
        const auto button = [&](const char* name) { return editor->findChild<QPushButton*>(S(name)); };
        editor->show();
        auto* inEditor = editor->findChild<covers::CoverView*>(S("imgCover"));
        QVERIFY(inEditor->HasImage());
        QTest::mouseClick(button("cmdRemoveCover"), Qt::LeftButton);
        QVERIFY(!inEditor->HasImage());
        QTest::mouseClick(button("cmdOK"), Qt::LeftButton);
        QCOMPARE(stored(alien), int(QFileInfo(tall).size()));
        editor = std::make_unique<movie_editor::frmMovieAdd>();
        editor->show();
        inEditor = editor->findChild<covers::CoverView*>(S("imgCover"));
        QTest::mouseClick(button("cmdRemoveCover"), Qt::LeftButton);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            dialog->selectFile(wide); // as if picked in its list
            QTest::keyClick(dialog->findChild<QLineEdit*>(S("fileNameEdit")), Qt::Key_Return);
        });
        QTest::mouseClick(button("cmdCover"), Qt::LeftButton);
        QApplication::clipboard()->setImage(QImage::fromData(picture("bmp", 50, 50)));
        QTRY_VERIFY(inEditor->HasImage());
        QTest::keyClick(inEditor, Qt::Key_V, Qt::ControlModifier); // the pasted picture replaces the chosen one
        shell::WorkPool()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(stored(alien), int(QFileInfo(tall).size()));
        QTest::mouseClick(button("cmd_Update"), Qt::LeftButton);
        QCOMPARE(
            QImage::fromData(cat.scalar(S("SELECT Picture FROM tbl_Cover WHERE Movie_ID = ?"), {alien}).toByteArray())
                .size(),
            QSize(50, 50));

        // A new movie's cover waits for its save.
        QTest::mouseClick(button("cmdClearForm"), Qt::LeftButton);
        QVERIFY(!inEditor->HasImage());
        QTest::keyClicks(editor->findChild<QWidget*>(S("txtMovieTitle")), S("Casablanca"));
        drop(editor.get(), tall);
        QTRY_VERIFY(inEditor->HasImage());
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Cover")).toInt(), 1);
        QTest::mouseClick(button("cmd_Update"), Qt::LeftButton);
        const qint64 casablanca = cat.lookupKey(S("tbl_Movie_Title"), S("Movie_Title"), S("Casablanca"));
        QCOMPARE(stored(casablanca), int(QFileInfo(tall).size()));

        store::Connection db = cat.open();
        QVERIFY(main_window::DeleteMovieRecord(db, alien));
        QCOMPARE(cat.scalar(S("SELECT group_concat(Movie_ID) FROM tbl_Cover")).toLongLong(), casablanca);
        QCOMPARE(boxes.count(), 3); // the editor's overwrite question, "updated" and "added", and nothing else
    }
};

QTEST_MAIN(TestCovers)
#include "test_covers.moc"
