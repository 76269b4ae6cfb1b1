// The page's writer: values reach the page's data whole and inert, thumbnails arrive small, and a
// device that fails is told.
#include "webpage/WebPage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

const QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray page(const std::vector<webpage::MovieRecord>& movies, const QString& collection = S("Mine"))
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    std::size_t next = 0;
    const QString error = webpage::WritePage(buffer, collection, QDate(2026, 12, 7), [&](webpage::MovieRecord& m) {
        if (next == movies.size())
            return false;
        m = movies[next++];
        return true;
    });
    return error.isEmpty() ? out : QByteArray();
}

// The data block as the browser reads it: up to the first end of a script element.
QJsonObject data(const QByteArray& html)
{
    const QByteArray open = R"(<script type="application/json" id="data">)";
    const qsizetype from = html.indexOf(open) + open.size();
    return QJsonDocument::fromJson(html.mid(from, html.indexOf("</script", from) - from)).object();
}

QByteArray picture(int width, int height, QImage::Format format, const char* kind)
{
    QImage image(width, height, format);
    image.fill(QColor(10, 120, 200, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, kind);
    return bytes;
}

} // namespace

class TestWebPage : public QObject
{
    Q_OBJECT
private slots:
    void values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("end of script") << S("</script><img src=x onerror=alert(1)>");
        QTest::newRow("markup and comment") << S("<b>bold</b> <!-- <script>alert(2)</script>");
        QTest::newRow("line separators") << S("one\u2028two\u2029three\nfour");
        QTest::newRow("quotes and escapes") << S("\"Bobby\" O'Neil \\u003c & &amp;");
        QTest::newRow("control characters") << S("a\x01\x1f\x7f") + QChar(0) + S("b");
        QTest::newRow("lone surrogate") << S("x") + QChar(0xd800) + S("y") + QChar(0xdc00);
        QTest::newRow("beyond the basic plane") << S("🎬 もののけ姫 סאלח");
    }
    // Every kind of value comes back from the data block as it went in, and nothing in it can end
    // the block or a line of the script.
    void values()
    {
        QFETCH(QString, value);
        webpage::MovieRecord m;
        m.title = m.plot = m.personalRating = m.year = value;
        m.credits[0] << value << value;
        m.credits[9] << value;
        m.cast.push_back({value, value});
        m.loan.borrower = value;
        const QByteArray html = page({m}, value);
        QVERIFY(!html.isEmpty());
        QCOMPARE(html.count("<script"), 2);
        QVERIFY(!html.contains("\u2028") && !html.contains("\u2029"));
        const QJsonObject d = data(html);
        const QJsonObject movie = d[S("movies")][0].toObject();
        QCOMPARE(d[S("title")].toString(), value);
        for (const char* key : {"t", "p", "pr", "y", "b"})
            QCOMPARE(movie[S(key)].toString(), value);
        // The name is given once and numbered after.
        QCOMPARE(movie[S("N")].toVariant().toStringList(), QStringList{value});
        const QJsonValue none;
        QCOMPARE(movie[S("c")].toArray(),
                 (QJsonArray{QJsonArray{0, 0}, none, none, none, none, none, none, none, none, 0}));
        QCOMPARE(movie[S("a")][0].toArray(), (QJsonArray{0, value}));
    }

    void thumbnails_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind"); // empty: left out
        QTest::addColumn<QSize>("size");
        QTest::newRow("large JPEG") << picture(400, 200, QImage::Format_RGB32, "jpeg") << S("jpeg") << QSize(120, 60);
        QTest::newRow("tall PNG") << picture(90, 300, QImage::Format_RGB32, "png") << S("jpeg") << QSize(36, 120);
        QTest::newRow("PNG with alpha") << picture(300, 300, QImage::Format_ARGB32, "png") << S("png")
                                        << QSize(120, 120);
        QTest::newRow("small JPEG kept") << picture(100, 50, QImage::Format_RGB32, "jpeg") << S("jpeg")
                                         << QSize(100, 50);
        QTest::newRow("not a picture") << QByteArray("<svg onload=alert(1)>") << QString() << QSize();
        QTest::newRow("cut short") << picture(400, 200, QImage::Format_RGB32, "png").left(40) << QString() << QSize();
    }
    void thumbnails()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        webpage::MovieRecord m;
        m.title = S("Covered");
        m.thumbnail = bytes;
        const QString address = data(page({m}))[S("movies")][0][S("i")].toString();
        if (kind.isEmpty()) {
            QCOMPARE(address, QString());
            return;
        }
        const QString head = S("data:image/%1;base64,").arg(kind);
        QVERIFY2(address.startsWith(head), qPrintable(address.left(40)));
        const QByteArray shown = QByteArray::fromBase64(address.mid(head.size()).toLatin1());
        QCOMPARE(QImage::fromData(shown).size(), size);
        if (size == QSize(100, 50))
            QCOMPARE(shown, bytes);
    }

    void failingDevice()
    {
        QFile closed;
        QVERIFY(!webpage::WritePage(closed, S("Mine"), QDate(2026, 12, 7), [](webpage::MovieRecord&) {
                     return false;
                 }).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWebPage)
#include "test_webpage.moc"
