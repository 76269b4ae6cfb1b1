// Import and export: the three readers, the mapping and duplicate rules, round trips, hostile files,
// an interrupted import, the command line and the import windows.
#include "cast/FlexGrid.h"
#include "cast/frmActorInfo.h"
#include "catalog/MovieValues.h"
#include "catalog/MovieWriter.h"
#include "covers/CoverStore.h"
#include "exchange/Exchange.h"
#include "exchange/ImportWindows.h"
#include "exchange/Zip.h"
#include "find/FindSchema.h"
#include "loans/LoanStore.h"
#include "movie_editor/frmMovieAdd.h"
#include "shell/App.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

using namespace exchange;

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };

// The fields a reader fills: title|director|genre|format|length|year|rating|grade|widescreen|cast[|cover WxH].
QString brief(const Movie& m, bool all = false)
{
    QStringList cast, fields{m.title, m.credits[store::kDirector], m.credits[store::kGenre], m.credits[store::kFormat]};
    for (const catalog::CastMember& member : m.cast)
        cast << member.last + QLatin1Char('/') + member.first;
    fields << m.length << m.year << m.rating << m.grade << QString::number(m.widescreen) << cast.join(QLatin1Char(';'));
    if (const QImage cover = QImage::fromData(m.cover.picture); !cover.isNull())
        fields << S("cover %1x%2").arg(cover.width()).arg(cover.height());
    // Then, where the movie has any, what it holds beyond the catalogue's first names.
    QStringList more;
    for (std::size_t i = 0; i < m.moreNames.size(); ++i)
        if (!m.moreNames[i].isEmpty())
            more << S("+%1 %2").arg(S(store::kCredits[i].key), m.moreNames[i].join(QLatin1Char(',')));
    for (const catalog::CastMember& member : m.cast)
        if (!member.character.isEmpty())
            more << member.last + S(" as ") + member.character;
    for (const QString& detail :
         {m.originalTitle, m.plot, m.notes, catalog::RatingText(m.personalRating), m.watched.toString(Qt::ISODate),
          m.purchased.toString(Qt::ISODate), m.price, m.imdbId, m.tmdbId, m.barcodes.join(QLatin1Char(','))})
        if (!detail.isEmpty())
            more << detail;
    for (const catalog::Field& f : m.fields)
        more << f.name + S("=") + f.value;
    if (m.loan)
        more << S("lent to %1 %2").arg(m.loan->borrower, m.loan->lent.toString(Qt::ISODate)) +
                    (m.loan->due.isValid() ? S(" due ") + m.loan->due.toString(Qt::ISODate) : QString());
    if (all)
        fields += QStringList(m.credits.begin(), m.credits.end());
    return (more.isEmpty() ? fields : fields + QStringList(more.join(QLatin1Char(';')))).join(QLatin1Char('|'));
}

QString write(const QString& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return file.fileName();
}

ImportData readFile(const QString& path) // a CSV file mapped by its header
{
    ImportSource source = ReadImportFile(path);
    return source.kind == Kind::Csv ? MapRows(source.table, MappingFromHeader(source.table.header)) : source.data;
}

// The whole path an import takes: read, map, preview, write.
Outcome importFile(const QString& path, bool overwrite = false, Plan* seen = nullptr)
{
    store::Connection db = store::OpenDatabase();
    const Plan plan = Preview(db, readFile(path));
    if (seen)
        *seen = plan;
    return WriteImport(db, plan, overwrite);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray zipOf(const std::vector<std::pair<QString, QByteArray>>& entries)
{
    QTemporaryDir dir;
    MakeZipFile(dir.filePath(S("zip")), entries, {}, 0, {});
    return readAll(dir.filePath(S("zip")));
}
} // namespace

class TestExchange : public QObject
{
    Q_OBJECT
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
        shell::App::SetTitle(S("ReelkeeperExchangeTest"));
    }

    void readers_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("movies");
        QTest::addColumn<QStringList>("told"); // problems, then notes
        const QString fargoFirst = S("Fargo|Joel Coen|Crime|DVD|1:38|1996|R|B|1|McDormand/Frances;Macy/William H."),
                      fargoMore = S("|+Director_ID Ethan Coen;+Genre_ID Drama;McDormand as Marge");
        const QStringList fargo{fargoFirst + fargoMore};
        const QStringList covered{fargoFirst + S("|cover 40x60") + fargoMore};
        const QStringList told{S("line 9: an entry without a title")};
        const auto left = [&](const QString& why) {
            return told + QStringList(S("line 5, Fargo: cover left out: ") + why);
        };
        const QString refused = S(" is not a picture Reelkeeper can use. Reelkeeper takes JPEG, PNG, WebP, GIF and BMP "
                                  "pictures as covers.");
        const QByteArray videos = readAll(QStringLiteral(EXCHANGE_DATA "/videos.xml")),
                         png = readAll(QStringLiteral(EXCHANGE_DATA "/cover.png"));
        const QStringList absent = left(S("the file does not hold the picture \"fargo.png\""));
        QTest::newRow("Tellico") << videos << fargo << absent;
        const QByteArray images = "<images><image id='fargo.png'>" + png.toBase64() + "</image></images></collection>";
        QTest::newRow("Tellico, picture inside, a field of its own") // of type 10, not the default "cover"
            << QByteArray(videos)
                   .replace("cover>", "poster>")
                   .replace("\"_default\"", "\"poster\" type=\"10\"")
                   .replace("</collection>", images)
            << covered << told;
        const auto zipped = [&](const QByteArray& image) {
            return zipOf({{S("tellico.xml"), videos}, {S("images/fargo.png"), image}});
        };
        QTest::newRow("Tellico, a control character") // taken out, as everywhere
            << QByteArray(videos).replace("<title>Fargo", "<title>Far\x01go") << fargo
            << absent.first(1) + QStringList(S("line 5: 1 control character removed")) + absent.mid(1);
        QTest::newRow("Tellico zipped") << zipped(png) << covered << told;
        std::vector<std::pair<QString, QByteArray>> crowded{{S("tellico.xml"), videos}};
        for (int i = 0; i < 70000; ++i) // past the count a zip's plain directory can hold
            crowded.emplace_back(S("images/%1.png").arg(i), QByteArray());
        crowded.emplace_back(S("images/fargo.png"), png);
        QTest::newRow("Tellico zipped, 70,000 entries") << zipOf(crowded) << covered << told;
        QTest::newRow("Tellico zipped, picture bomb") << zipped(QByteArray(covers::kMaxFileBytes + 1, '\0')) << fargo
                                                      << left(S("\"images/fargo.png\" unpacks to more than 50 MB"));
        QTest::newRow("Tellico zipped, no picture") << zipped("garbage") << fargo << left(S("\"fargo.png\"") + refused);
        // Failing pictures, the first ones named twice, with a good one after them and one at the end:
        // each counts once against the import's budget, failed or not, and the last is past it.
        const auto budget = [&](int twice, int once, const QByteArray& failing, const QString& why,
                                const QString& past) {
            QByteArray xml = "<tellico><collection type='3'>\n";
            std::vector<std::pair<QString, QByteArray>> files{{S("tellico.xml"), {}}};
            QStringList movies, told;
            const auto entry = [&](const QString& picture, const QString& fails) {
                const QString title = S("M%1").arg(movies.size() + 2); // its line
                xml += S("<entry><title>%1</title><cover>%2</cover></entry>\n").arg(title, picture).toUtf8();
                movies << title + (fails.isEmpty() ? S("||||||||0||cover 40x60") : S("||||||||0|"));
                if (!fails.isEmpty())
                    told << S("line %1, %2: cover left out: ").arg(movies.size() + 1).arg(title) + fails;
            };
            for (int i = 0; i < twice + once; ++i) {
                const QString name = S("p%1.png").arg(i);
                files.emplace_back(S("images/") + name, failing);
                for (int n = i < twice ? 2 : 1; n > 0; --n)
                    entry(name, QString(why).arg(name));
                if (i == twice - 1) {
                    files.emplace_back(S("images/kept.png"), png);
                    entry(S("kept.png"), QString());
                }
            }
            files.emplace_back(S("images/past.png"), png);
            entry(S("past.png"), past);
            files.front().second = xml + "</collection></tellico>";
            QByteArray zip = zipOf(files);
            // Each picture's directory entries claim 1,000 bytes: it is found out only as it unpacks.
            for (const auto& [header, at] : {std::pair{"PK\x03\x04", 22}, {"PK\x01\x02", 24}})
                for (qsizetype i = 0; (i = zip.indexOf(header, i)) >= 0; i += 4)
                    if (zip.mid(i + (at == 22 ? 30 : 46), 8) == "images/p")
                        zip.replace(i + at, 4, QByteArray("\xe8\x03\0\0", 4));
            QTest::newRow(qPrintable(S("Tellico zipped, ") + past)) << zip << movies << told;
        };
        budget(10, 1, QByteArray(covers::kMaxFileBytes + 1, 'x'), S("\"images/%1\" unpacks to more than 50 MB"),
               S("the file's pictures come to more than 512 MB"));
        QImage flat(6000, 6000, QImage::Format_Mono);
        flat.fill(0);
        QByteArray truncated; // its header read, its pixels counted, then found damaged
        QBuffer buffer(&truncated);
        buffer.open(QIODevice::WriteOnly);
        flat.save(&buffer, "png");
        budget(10, 4, truncated.left(truncated.size() / 2),
               S("\"%1\" could not be read: the picture is damaged or incomplete."),
               S("the file's pictures come to more than 500 million pixels"));
        // As Tellico writes fields that allow several values: <years><year>.
        const QByteArray plural = readAll(QStringLiteral(EXCHANGE_DATA "/plural-fields.xml"));
        // Every value kept: the second genre, the characters, the fields without a place of their own.
        const QStringList plurals{
            S("Amélie|Jean-Pierre Jeunet|Comedy|DVD|2:02|2001|R|A|1|Tautou/Audrey;Kassovitz/Mathieu|+Genre_ID Romance;"
              "Tautou as Amélie Poulain;Kassovitz as Nino Quincampoix;Nationality=France;Language=French;"
              "Video Format=PAL"),
            S("Ocean's 11|Lewis Milestone|Crime|Blu-ray|2:07|1960|U||0|Sinatra/Frank;Davis, Jr./Sammy|Sinatra as Danny "
              "Ocean;Davis, Jr. as Josh Howard;Production Year=2001;Certification (as written)=U (UK);Loan Note=back "
              "soon")};
        // Tellico's loans stand apart from its entries; each goes with its entry, or is said not kept. Its
        // loan mark, entry id and the dates it stamps are its own, and said not kept.
        const QString lent = S(";lent to Anna Berg 2026-11-02 due 2026-11-30");
        const QStringList stamped{
            S("Tellico's own entry ids, loan marks and the dates it stamped on entries are not kept.")};
        QTest::newRow("Tellico, plural fields") << plural << QStringList{plurals[0], plurals[1] + lent} << stamped;
        QTest::newRow("Tellico zipped, plural fields")
            << zipOf({{S("tellico.xml"), plural}}) << QStringList{plurals[0], plurals[1] + lent} << stamped;
        QTest::newRow("Tellico, loans that cannot be made")
            << QByteArray(plural)
                   .replace("2026-11-02", "2026-13-02")
                   .replace("</borrowers>", "<borrower name='Bo'><loan uid='c' entryRef='9' loanDate='2026-01-01'/>"
                                            "</borrower></borrowers>")
            << plurals
            << stamped +
                   QStringList{
                       S("line 122, Ocean's 11: the loan to Anna Berg (not kept: the date lent: \"2026-13-02\" is "
                         "not a date: write it as year-month-day, such as 2024-03-05.)"),
                       S("line 124: the loan of entry 9 to Bo (not kept: the file holds no such entry)")};
        // Values with no place of their own, each kept as a field beside the one the movie takes; a cast
        // row's role stays with its row, however the rows before it are written.
        QTest::newRow("Tellico, values with no place")
            << readAll(QStringLiteral(EXCHANGE_DATA "/unplaced.xml"))
            << QStringList{S(
                   "Heat|||||1995|||0|Pacino/Al;Sizemore/Tom;Kilmer/Val|Sizemore as Cheritto / Radio voice;"
                   "Kilmer as Chris;Heat;Bought used.;Title=Heat (1995);Running Time (as written)=about three "
                   "hours;Rating (as written)=3.5;Cast= :: Extra; Val Kilmer :: Chris :: uncredited;Original "
                   "Title=L.A. Takedown;Year=1996;Field (as written)=no name;Video Format=NTSC")}
            << QStringList{S("The collection's title, \"My Videos\", is not kept."),
                           S("The collection's saved filter is not kept.")};
        QTest::newRow("GCstar, values given twice, ratings out of range")
            << QByteArray(
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection type=\"GCfilms\" items=\"2\">\n"
                   "<item id=\"1\" title=\"Heat\" rating=\"7.3\" format=\"DVD\" image=\"cover.png\">\n"
                   "<title>Heat (1995)</title><format>Blu-ray</format><image>back.png</image>\n"
                   "<actors><line><col>Al Pacino</col><col>Vincent</col><col>uncredited</col></line></actors></item>\n"
                   "<item id=\"2\" title=\"Ran\" rating=\"11\"/></collection>")
            << QStringList{S("Heat|||DVD|||||0|Pacino/Al|cover 40x60|Pacino as Vincent;Title=Heat (1995);"
                             "Format=Blu-ray;Personal Rating (as written)=7.3;Actors=Al Pacino :: Vincent :: "
                             "uncredited"),
                           S("Ran|||||||A|0||Personal Rating (as written)=11")}
            << QStringList{S("line 3, Heat: also picture back.png (not kept)"),
                           S("GCstar's own item ids and the days it added items are not kept.")};
        QTest::newRow("GCstar, a control character")
            << readAll(QStringLiteral(EXCHANGE_DATA "/films.gcs"))
                   .replace("Tuttle", "Tut\x02tle")
                   .replace("age=\"14\"", "borrower='Ann' lendDate='3/1/2025' age='14'")
                   .replace("</director>", "</director><borrower>Bo</borrower><lendDate>soon</lendDate>")
            << QStringList{S("Brazil|Terry Gilliam|Comedy|DVD|2:12|1985|R|B|0|Pryce/Jonathan;Niro/Robert De|cover "
                             "40x60|+Genre_ID Sci-Fi;Pryce as Sam;Tuttle;8;5050582025583;Release Date=20/02/1985;"
                             "Minimum Age=14;lent to Ann 2025-01-03"),
                           S("Dune|David Lynch|||2:17||||0|MacLachlan/Kyle;Young/Sean|MacLachlan as Paul / "
                             "Muad'Dib;Age (as written)=12+"),
                           S("Alien||||1:57||||0||Running Time (as written)=117.5;Identifier=5039036007941")}
            << QStringList{S("line 4: 1 control character removed"),
                           S("line 6, Dune: the loan to Bo (not kept: the date lent, \"soon\", is not a day/month/year "
                             "date)"),
                           S("GCstar's own item ids and the days it added items are not kept."),
                           S("line 6, Dune: cover left out: \"file\"") + refused,
                           S("line 7, Alien: cover left out: \"/no/such/alien.jpg\" is not there")};
        QTest::newRow("CSV, control characters")
            << QByteArrayLiteral("Title,Director,Length\nHeat,Michael Mann\x7F,170\n\nAlien,Ridley\0\x1B Scott,117\r\n")
            << QStringList{S("Heat|Michael Mann|||2:50||||0|"), S("Alien|Ridley Scott|||1:57||||0|")}
            << QStringList{S("line 2: 1 control character removed"), S("line 4: 2 control characters removed")};
        QTest::newRow("CSV wider than 1000 columns")
            << "Title" + QByteArray(1001, ',') + "Year,C\nHeat" + QByteArray(1002, ',') + "x\n"
            << QStringList{S("Heat||||||||0|")}
            << QStringList{S("line 1: 2 values past the first 1000 columns left out"),
                           S("line 2: 1 value past the first 1000 columns left out")};
        QTest::newRow("CSV ragged") << QByteArray("Title,Length,Widescreen\nA,95,yes\nB,1:40,no,extra\nC\n,2:00\n")
                                    << QStringList{S("A||||1:35||||1|"), S("C||||||||0|")}
                                    << QStringList{S("line 3: 4 fields where the file has 3"), S("line 5: no title")};
        QTest::newRow("CSV quoted") << QByteArray("Title,Director,Notes\r\n\"Heat, the film\",\"Mann\"\r\n"
                                                  "\"Say \"\"hi\"\"\",x,\"two\r\nlines\"\r\n")
                                    << QStringList{S("Heat, the film|Mann|||||||0|"),
                                                   S("Say \"hi\"|x|||||||0||two\r\nlines")}
                                    << QStringList();
        QTest::newRow("CSV semicolon, BOM")
            << QByteArray("\xEF\xBB\xBFMovie Title;Year Released;Cast\nAmélie;2001;\"A, B; C\\D, E\"\n")
            << QStringList{S("Amélie|||||2001|||0|A/B;C\\D/E")} << QStringList();
        QTest::newRow("CSV tab, Windows-1252") << QByteArray("Title\tYear\nCaf\xE9 \x80\t1999\n")
                                               << QStringList{S("Café €|||||1999|||0|")} << QStringList();
        QTest::newRow("CSV, bytes Windows-1252 leaves undefined")
            << QByteArray("Title\n\x81\x8D\x8F\x90\x9D!\n")
            << QStringList{S("\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD!||||||||0|")} << QStringList();
        QTest::newRow("CSV as exported before the details")
            << QByteArray("\xEF\xBB\xBFMovie Title,Director,Producer,Writer,Screenwriter,Composer,Executive Producer,"
                          "Cinematographer,Genre,Studio,Format,Length,Year Released,Grade,Rating,Widescreen,Cast\r\n"
                          "\"Heat, 1995\",Michael Mann,,,,,,,Crime,,DVD,2:50,1995,A,R,True,\"Pacino, Al; De Niro\\, "
                          "Jr., Robert\"\r\n")
            << QStringList{S("Heat, 1995|Michael Mann|Crime|DVD|2:50|1995|R|A|1|Pacino/Al;De Niro, Jr./Robert")}
            << QStringList();
        QTest::newRow("CSV details by other names, an unknown column, one of no name")
            << QByteArray(
                   "TITLE,Synopsis,my rating,IMDb,Region,,Roles,actors,Other Genres\n"
                   "Heat,A heist.,abc,tt0113277,2,x,Neil; ; Extra,\"Pacino, Al; Kilmer, Val\",Crime\\; Drama; Noir\n")
            << QStringList{S("Heat||||||||0|Pacino/Al;Kilmer/Val|+Genre_ID Crime; Drama,Noir;Pacino as Neil;A heist.;"
                             "tt0113277;Personal Rating (as written)=abc;Region=2")}
            << QStringList{S("line 2, Heat: character \"Extra\" with no one of the cast to play it (not kept)"),
                           S("line 2, Heat: column 6 \"x\" (not kept)")};
        QTest::newRow("CSV one column") << QByteArray("Title\nHeat\n\nAlien")
                                        << QStringList{S("Heat||||||||0|"), S("Alien||||||||0|")} << QStringList();
    }
    void readers()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile::copy(S(EXCHANGE_DATA "/cover.png"), dir.filePath(S("cover.png"))); // named by the GCstar file
        const QString file = write(dir.path(), S("file"), bytes);
        const ImportData data = readFile(file);
        QStringList movies;
        for (const Movie& m : data.movies)
            movies << brief(m);
        QTEST(movies, "movies");
        if (QByteArray(QTest::currentDataTag()).startsWith("Tellico, ")) {
            // Kept, exported by us and kept again: the same values, though fields may change places.
            const auto kept = [](const QString& from) {
                testing::TempCatalogue cat;
                importFile(from);
                QList<QStringList> values;
                for (const Movie& m : ReadCatalogue(cat.open())) {
                    QStringList parts = brief(m, true).split(u';');
                    std::sort(parts.begin(), parts.end());
                    values << parts;
                }
                ExportFile(cat.open(), from + S(".tc"));
                return values;
            };
            const QList<QStringList> first = kept(file);
            QCOMPARE(kept(file + S(".tc")), first);
        }
        // What a file says of its collection is told once per file; the rows that expect it check it.
        QFETCH(QStringList, told);
        QStringList said = data.problems + data.notes;
        if (told.filter(S("The collection's title")).isEmpty())
            said.removeIf([](const QString& line) { return line.startsWith(S("The collection's title")); });
        QCOMPARE(said, told);
    }

    // Hostile and odd files: a clear reason and nothing written, or the movies imported whole, in
    // seconds.
    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error"); // none: imported whole
        const QByteArray laughs =
            "<?xml version=\"1.0\"?><!DOCTYPE tellico [<!ENTITY a \"lol\"><!ENTITY b \"&a;&a;&a;\">]>"
            "<tellico><collection type=\"3\"><entry><title>&b;</title></entry></collection></tellico>";
        QByteArray external = laughs;
        external.replace("<!ENTITY a \"lol\">", "<!ENTITY a SYSTEM \"file:///etc/passwd\">");
        QByteArray manyActors = "Title,Cast\nCrowd,\"";
        for (int i = 0; i < 100000; ++i)
            manyActors += "Extra, No" + QByteArray::number(i) + "; ";
        QTest::newRow("empty") << QByteArray(" \n") << S("the file is empty");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << S("binary data");
        QTest::newRow("other zip") << zipOf({{S("readme.txt"), "hi"}}) << S("holds no tellico.xml");
        const QByteArray bomb = zipOf({{S("tellico.xml"), QByteArray(kMaxImportBytes + 1, ' ')}});
        QByteArray liar = bomb; // its directory says ten bytes
        for (qsizetype at : {qsizetype(22), liar.indexOf("PK\x01\x02") + 24})
            liar.replace(at, 4, QByteArray("\x0a\0\0\0", 4));
        QTest::newRow("zip bomb") << bomb << S("unpacks to more than 128 MB");
        QTest::newRow("zip lying") << liar << S("unpacks to more than 128 MB");
        QTest::newRow("damaged zip") << QByteArray("PK\x03\x04garbage") << S("not a readable zip");
        QTest::newRow("billion laughs") << laughs << S("declares XML entities");
        QTest::newRow("external entity") << external << S("declares XML entities");
        QTest::newRow("damaged XML") << QByteArray("<tellico><collection type='3'><entry><title>A</entry>")
                                     << S("damaged at line 1");
        QTest::newRow("Tellico books") << QByteArray("<tellico><collection type='2'/></tellico>") << S("not videos");
        QTest::newRow("GCstar books") << QByteArray("<collection type='GCbooks'/>") << S("not GCfilms");
        QTest::newRow("other XML") << QByteArray("<?xml version='1.0'?><html/>") << S("neither");
        QTest::newRow("1 GB") << QByteArray() << S("larger than 128 MB");
        QTest::newRow("Tellico zipped, over 128 MB") // as an export with its covers makes it
            << readAll(QStringLiteral(EXCHANGE_DATA "/videos.xml")) << QString();
        QByteArray years = "Title,Year\n";
        for (int i = 0; i < 40000; ++i)
            years += "Same," + QByteArray::number(i) + '\n';
        QTest::newRow("one title in 40,000 years") << years << QString();
        QTest::newRow("long title") << "Title\n" + QByteArray(100000, 'x') << QString();
        // Taken out wherever they stand, not stored in a title the export then writes.
        QTest::newRow("NUL in the first 8 KB") << "Title\nx" + QByteArray(1, '\0') + QByteArray(100, 'y') << QString();
        QTest::newRow("NUL past 8 KB") << "Title\n" + QByteArray(9000, 'x') + QByteArray("\0y\n", 3) << QString();
        QTest::newRow("100,000 cast") << manyActors + '"' << QString();
        QByteArray past =
            "<tellico><collection type='3'><fields><field name='_default'/><field name='p' title='Plot'/>"
            "<field name='r' title='&lt;b&gt;Region&lt;/b&gt;'/></fields><entry><title>Past</title><plot>" +
            QByteArray(1 << 20, 'p') + "</plot><genres>";
        for (int i = 0; i < 10000; ++i)
            past += "<genre>G" + QByteArray::number(i) + "</genre>";
        QTest::newRow("values past their limits")
            << past +
                   "</genres><imdb>ttabc</imdb><p>mine</p><r>2</r><comments>Barcode: 4006381333932\nPersonal Rating: "
                   "11</comments></entry></collection></tellico>"
            << QString();
        QTest::newRow("5 million fields")
            << "Title\n" + QByteArray(QByteArray(999, ',') + '\n').repeated(5001) << S("more than 5 million fields");
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        testing::TempCatalogue cat;
        const QByteArray tag = QTest::currentDataTag();
        const QString path = write(cat.dir(), S("file"), bytes);
        if (bytes.isEmpty())
            QFile::resize(path, 1LL << 30); // sparse
        if (tag.endsWith("over 128 MB"))
            MakeZipFile(path, {{S("tellico.xml"), bytes}},
                        [sent = false](QString& name, QByteArray& data) mutable {
                            name = S("images/unnamed.png");
                            data = QByteArray(kMaxImportBytes, '\0');
                            return !std::exchange(sent, true);
                        },
                        1, {});
        QElapsedTimer took;
        took.start();
        try {
            importFile(path);
            QVERIFY2(error.isEmpty(), "no error");
        } catch (const FileError& e) {
            QVERIFY2(e.why().contains(error), qPrintable(e.why()));
        }
        // A hostile file once took hours; seconds, even on a loaded machine or under the sanitizers.
        QVERIFY2(took.elapsed() < 30000, qPrintable(S("%1 ms").arg(took.elapsed())));
        const int movies = tag.startsWith("one title") ? 40000 : 1;
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Movie_Title")).toInt(), error.isEmpty() ? movies : 0);
        QCOMPARE(cat.count(S("tbl_Movie_Title WHERE instr(CAST(Movie_Title AS BLOB), x'00')")), 0);
        if (QTest::currentDataTag() == QByteArray("long title"))
            QCOMPARE(cat.scalar(S("SELECT length(Movie_Title) FROM tbl_Movie_Title")).toInt(), 100000);
        if (tag == "values past their limits") { // each cut, renamed or kept as written, and told so
            QCOMPARE(cat.scalar(S("SELECT length(Plot) FROM tbl_Movie_Details")).toInt(), catalog::kMaxText);
            QCOMPARE(cat.count(S("tbl_Movie_More_Name")), catalog::kMaxNames - 1);
            QCOMPARE(cat.scalar(S("SELECT group_concat(Name || '=' || Value, '|') FROM (SELECT * FROM tbl_Movie_Field "
                                  "ORDER BY Position)"))
                         .toString(),
                     S("Personal Rating (as written)=11|IMDb Link (as written)=ttabc|Plot (2)=mine|Region=2"));
            QCOMPARE(cat.count(S("tbl_Movie_Barcode")), 0);
        }
        if (QTest::currentDataTag() == QByteArray("100,000 cast"))
            QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Actor_Movie_Join")).toInt(), 100000);
    }

    // Same title, and same year where both have one: within the file a duplicate, in the catalogue a match.
    // Between the preview and the write another connection may change the catalogue: the matches
    // are decided again under the write lock.
    void duplicates_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("meanwhile"); // deleted: the stored Heat; imported: the same file
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("director");
        QTest::addColumn<QString>("found"); // by the find index, right after the import
        const QString both = S("Heat/Michael Mann/|Alien/Unknown/Weaver, Sigourney");
        QTest::newRow("skip") << false << QString()
                              << S("2 movies added, 0 overwritten, 1 skipped as already in the catalogue; 1 cast "
                                   "link, 0 covers.")
                              << S("Michael Mann") << both;
        QTest::newRow("overwrite") << true << QString() << S("2 movies added, 1 overwritten, 0 skipped") << S("M. Mann")
                                   << S("Alien/Unknown/Weaver, Sigourney");
        QTest::newRow("overwrite a movie deleted meanwhile")
            << true << S("deleted") << S("3 movies added, 0 overwritten, 0 skipped") << S("M. Mann")
            << S("Alien/Unknown/Weaver, Sigourney");
        QTest::newRow("the same file imported meanwhile")
            << false << S("imported")
            << S("0 movies added, 0 overwritten, 3 skipped as already in the catalogue; 0 "
                 "cast links")
            << S("Michael Mann") << both;
    }
    void duplicates()
    {
        testing::TempCatalogue cat;
        const qint64 heat =
            cat.addMovie(S("Heat"), {{S("Director"), S("Michael Mann")}, {S("Year_Released"), S("1995")}});
        store::Connection db = cat.open(), other = cat.open();
        covers::SaveCover(db, heat, covers::PrepareCoverFile(S(EXCHANGE_DATA "/cover.png")).cover);
        const QString path =
            write(cat.dir(), S("dup.csv"),
                  "Title,Year,Director,Cast\nheat,1995,M. Mann,\nHeat,1986,,\nHEAT,,,\nAlien,1979,,Sigourney "
                  "Weaver\nAlien,,,\n");
        QFETCH(bool, overwrite);
        QFETCH(QString, meanwhile);
        QFETCH(QString, outcome);
        const Plan plan = Preview(db, readFile(path));
        QCOMPARE(PreviewText(plan), S("2 movies will be added.\n1 movie matches one already in the catalogue (same "
                                      "title and year).\n1 movie takes its year into its title, as another movie has "
                                      "the title (listed below).\nNew names in the lists: 1 in Director.\n1 new "
                                      "actor.\n2 rows are left out or cut short; the list below says why."));
        QCOMPARE(plan.data.notes.value(0), S("line 3: Heat is added as \"Heat (1986)\", as \"Heat\" is another "
                                             "movie already"));
        if (meanwhile == S("deleted"))
            other.exec(S("DELETE FROM tbl_Movie_Title"));
        else if (meanwhile == S("imported"))
            WriteImport(other, Preview(other, readFile(path)), overwrite);
        const QString told = OutcomeText(WriteImport(db, plan, overwrite));
        QVERIFY2(told.startsWith(outcome), qPrintable(told));
        QCOMPARE(covers::HasCover(db, heat), meanwhile != S("deleted")); // the file has none for Heat
        QCOMPARE(cat.count(S("tbl_Movie_Title")), 3);
        QCOMPARE(plan.data.problems, QStringList({S("line 4: the same movie as line 2, HEAT (skipped)"),
                                                  S("line 6: the same movie as line 5, Alien (skipped)")}));
        QTEST(cat.scalar(S("SELECT Director FROM qry_Movie_Title WHERE Year_Released = '1995'")).toString(),
              "director");
        QTEST(cat.scalar(S("SELECT group_concat(Movie_Title || '/' || Director || '/' || ifnull(%1, ''), '|') FROM "
                           "(SELECT * FROM qry_Movie_Title ORDER BY Movie_ID) AS q WHERE Movie_ID IN (%2)")
                             .arg(find::CastText(S("q.Movie_ID")), find::MoviesFoundSql(find::kWordsTable))
                             .replace(S("MATCH ?"), S("MATCH 'michael OR weaver OR alien'")))
                  .toString(),
              "found");
        // The two movies of one title each open as themselves, in the editor and in the cast editor.
        cat.link(cat.addActor(S("Pacino"), S("Al")), heat);
        for (const auto& [title, year, starring] : {std::tuple{"Heat", "1995", 1}, {"Heat (1986)", "1986", 0}}) {
            shell::CurrentMovieTitle() = S(title);
            shell::CurrentMovieId() = 0;
            const movie_editor::frmMovieAdd editor;
            QCOMPARE(editor.findChild<QLineEdit*>(S("txtYear"))->text(), S(year));
            const cast::frmActorInfo castEditor;
            QCOMPARE(castEditor.ActorGrid()->Rows(), starring);
        }
    }

    // Export, then import into an empty catalogue: the same movies, credits and casts.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("actor");   // one more in the cast, last and first name
        QTest::addColumn<QStringList>("further"); // names after an Unknown first, in three of Odd's credits
        const QStringList suffix{S("Davis, Jr."), S("Sammy")}, odd{S("Back\\, Slash; \\"), S("Ann; B., Jr.\\")};
        for (const QString& name : {S("movies.csv"), S("movies.tc")}) {
            const QString kind = name.endsWith(S(".tc")) ? S("Tellico") : S("CSV");
            QTest::newRow(qPrintable(kind)) << name << QStringList() << QStringList();
            QTest::newRow(qPrintable(kind + S(", last name with a suffix"))) << name << suffix << QStringList();
            QTest::newRow(qPrintable(kind + S(", separators in names"))) << name << odd << QStringList();
        }
        QTest::newRow("Tellico, names after an Unknown first")
            << S("movies.tc") << QStringList() << QStringList{S("Second"), S("Third")};
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, actor);
        QFETCH(QStringList, further);
        QTemporaryDir out;
        const QString path = out.path() + QLatin1Char('/') + name;
        QStringList before;
        QList<QImage> pictures; // as stored, decoded
        {
            testing::TempCatalogue cat;
            std::map<QString, QVariant> fields{{S("Length"), S("1:05")},
                                               {S("Year_Released"), S("1999")},
                                               {S("Grade"), S("A")},
                                               {S("Rating"), S("PG-13")},
                                               {S("Widescreen"), true}};
            for (const store::Credit& c : store::kCredits)
                fields[QLatin1String(c.name)] = QString(QLatin1String(c.name) + S(", \"Jr.\"; é"));
            const qint64 a = cat.addMovie(S("Ünïcode \"quoted\", title\nwith a break"), fields);
            const qint64 b = cat.addMovie(S("Odd"), {{S("Length"), S("90 min")},
                                                     {S("Year_Released"), S("c. 1950")},
                                                     {S("Grade"), S("B+")},
                                                     {S("Rating"), S("Not Rated")}});
            cat.link(cat.addActor(S("Van Damme"), S("Jean-Claude")), a);
            cat.link(cat.addActor(S("Cher"), S("")), a);
            cat.link(cat.addActor(S("Ford"), S("Harrison")), b);
            if (!actor.isEmpty())
                cat.link(cat.addActor(actor.front(), actor.back()), b);
            store::Connection db = cat.open();
            for (auto [movie, file] : {std::pair{a, "still.jpg"}, {b, "cover.png"}}) // JPEG scaled, PNG with alpha
                covers::SaveCover(db, movie, covers::PrepareCoverFile(S(EXCHANGE_DATA "/") + S(file)).cover);
            { // all a movie holds beyond its first names
                catalog::Movie full = *catalog::ReadMovie(db, a);
                full.moreNames[store::kGenre] = QStringList{S("Drama"), S("Noir; \"x\"")};
                full.moreNames[store::kCinematographer] = QStringList{S("Second, Jr.")};
                full.moreNames[store::kFormat] = QStringList{S("Blu-ray")};
                full.cast[0].character = S("Kate; \"K\", é\\");
                full.originalTitle = S("Le titre");
                full.plot = S("Line one\n\nline <two> & three");
                full.notes = S("Bought used.\nRating: great\n\\Field: x: y");
                full.personalRating = 7.5;
                full.watched = QDate(2024, 3, 5);
                full.purchased = QDate(2001, 12, 31);
                full.price = S("EUR 9,99");
                full.imdbId = S("tt0111161");
                full.tmdbId = S("603");
                full.barcodes = QStringList{S("4006381333931"), S("036000291452")};
                full.fields = {{S("Certification (as written)"), S("PG-13 (Canada)")},
                               {S("Region"), S("2")},
                               {S("Back\\slash"), S("a\\nb\nc")},
                               {S("Languages"), S("fr; en")},
                               {S("Aspect: ratio"), S(" 16:9\n")},
                               {S("Video Format"), S("PAL")}};
                catalog::MovieWriter(db).Overwrite(a, full);
                catalog::Movie unknown = *catalog::ReadMovie(db, b);
                for (const store::CreditIndex i : {store::kDirector, store::kScreenplay, store::kFormat})
                    catalog::SetNames(unknown, i, QStringList(S(catalog::kUnknown)) + further);
                if (!further.isEmpty())
                    catalog::MovieWriter(db).Overwrite(b, unknown);
            }
            loans::Lend(db, b, S("Anna \"B\" <Berg>"), QDate(2026, 11, 2), QDate(2026, 11, 30));
            for (const Movie& m : ReadCatalogue(db)) {
                before << brief(m, true);
                pictures << QImage::fromData(covers::Picture(db, m.id));
            }
            QCOMPARE(ExportFile(db, path), 2);
        }
        testing::TempCatalogue empty;
        QCOMPARE(importFile(path).added, 2);
        QStringList after;
        QList<QImage> carried;
        for (const Movie& m : ReadCatalogue(empty.open())) {
            after << brief(m, true);
            carried << QImage::fromData(covers::Picture(empty.open(), m.id));
        }
        QCOMPARE(after, before);
        QVERIFY(carried == (name.endsWith(S(".tc")) ? pictures : QList<QImage>(2)) && !pictures.contains(QImage()));
        // A Tellico file keeps the loans; imported again, a movie out already is not lent twice, and says so.
        QStringList lent;
        for (const loans::Loan& loan : loans::OutstandingLoans(empty.open()))
            lent << S("%1/%2/%3/%4")
                        .arg(loan.title, loan.borrower, loan.lent.toString(Qt::ISODate),
                             loan.due.toString(Qt::ISODate));
        const bool tellico = name.endsWith(S(".tc"));
        QCOMPARE(lent, tellico ? QStringList{S("Odd/Anna \"B\" <Berg>/2026-11-02/2026-11-30")} : QStringList());
        Plan again;
        QCOMPARE(importFile(path, false, &again).loans, 0);
        QCOMPARE(again.data.notes
                     .filter(S(", Odd: the loan to Anna \"B\" <Berg> (not kept: Odd is on loan to Anna "
                               "\"B\" <Berg> since 2 Nov 2026. Return it before lending it again.)"))
                     .size(),
                 tellico ? 1 : 0);
        if (tellico) // what Tellico has elements for, in them
            for (const char* element : {"<certification>PG-13 (Canada)</certification>", "<format>PAL</format>"})
                QVERIFY(ZipReader(path).entry(S("tellico.xml"), 1 << 20).contains(element));
        if (tellico && !QStandardPaths::findExecutable(S("unzip")).isEmpty()) // another reader
            QCOMPARE(QProcess::execute(S("unzip"), {S("-tqq"), path}), 0);
        if (tellico && QFile::exists(S("/usr/share/tellico/tellico.dtd")) &&
            !QStandardPaths::findExecutable(S("xmllint")).isEmpty()) {
            // Tellico's DTD declares no attributes of a borrower, though Tellico names each there.
            const QString xml = write(out.path(), S("tellico.xml"),
                                      QString::fromUtf8(ZipReader(path).entry(S("tellico.xml"), 1 << 20))
                                          .replace(QRegularExpression(S("<borrower [^>]*>")), S("<borrower>"))
                                          .toUtf8());
            QCOMPARE(QProcess::execute(S("xmllint"), {S("--noout"), S("--nonet"), S("--dtdvalid"),
                                                      S("/usr/share/tellico/tellico.dtd"), xml}),
                     0);
        }
    }

    // Cancel, or a failure late in the work, leaves the catalogue byte for byte as it was; a cancelled
    // export leaves no file.
    void interrupted_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("exported");
        QTest::newRow("Cancel") << true << QString();
        QTest::newRow("failure") << false << QString();
        QTest::newRow("export CSV") << true << S("out.csv");
        QTest::newRow("export Tellico") << true << S("out.tc");
        QTest::newRow("export web page") << true << S("out.html");
    }
    void interrupted()
    {
        QFETCH(bool, cancel);
        QFETCH(QString, exported);
        testing::TempCatalogue cat;
        const qint64 heat = cat.addMovie(S("Heat"));
        ImportData data;
        for (int i = 0; i < 1000; ++i) {
            Movie& m = data.movies.emplace_back();
            m.title = S("Movie %1").arg(i);
            m.credits[store::kGenre] = S("Genre %1").arg(i);
            m.cast = {{S("Actor"), S("No %1").arg(i)}};
        }
        // Late, so an import is filling the find index.
        const auto late = [&](qint64 done, qint64 total) {
            if (done >= total * 4 / 5 && !cancel)
                throw store::StoreError(13, S("database or disk is full"));
            return done < total * 4 / 5;
        };
        const QByteArray before = readAll(cat.path());
        {
            store::Connection db = cat.open();
            if (!exported.isEmpty()) {
                WriteImport(db, Preview(db, data), false);
                covers::SaveCover(db, heat, covers::PrepareCoverFile(S(EXCHANGE_DATA "/still.jpg")).cover);
                QCOMPARE(ExportFile(db, cat.dir() + QLatin1Char('/') + exported, late), -1);
                QCOMPARE(QDir(cat.dir()).entryList({S("out*")}), QStringList());
                return;
            }
            try {
                QVERIFY(WriteImport(db, Preview(db, data), false, late).cancelled);
            } catch (const store::StoreError&) {
                QVERIFY(!cancel);
            }
        }
        QVERIFY(readAll(cat.path()) == before);
    }

    // The program without a window or a display, on the catalogue it is given.
    void commandLine_data()
    {
        QTest::addColumn<QString>("line"); // the arguments
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("help") << S("--help") << 0 << S("--overwrite");
        QTest::newRow("import") << S("--import in.csv") << 0 << S("added, 0 overwritten, 1 skipped");
        QTest::newRow("overwrite") << S("--import in.csv --overwrite") << 0 << S("added, 1 overwritten, 0 skipped");
        QTest::newRow("export") << S("--export out.tc") << 0 << S("1 movie written to out.tc");
        QTest::newRow("export web page") << S("--export out.html --covers") << 0 << S("1 movie written to out.html");
        QTest::newRow("covers, not a page") << S("--covers --export out.csv") << 1 << S("--covers goes with --export");
        QTest::newRow("unwritable") << S("--export no/such/folder/out.csv") << 1
                                    << S("reelkeeper: \"no/such/folder/out.csv\": the file cannot be written");
        // An export goes over no file of the catalogue's own, whatever name reaches it.
        const QString itself = S("it is the catalogue itself; give another name");
        QTest::newRow("export over the catalogue") << S("--export Reelkeeper.mdb") << 1 << itself;
        QTest::newRow("export over it, relative") << S("--export backups/../Reelkeeper.mdb") << 1 << itself;
        QTest::newRow("export through a link") << S("--export link") << 1 << S("it is a link to another file");
        QTest::newRow("export over its log")
            << S("--export Reelkeeper.mdb-wal") << 1 << S("it is one of the catalogue's own files");
        QTest::newRow("export into its backups")
            << S("--export backups/copy.tc") << 1 << S("it is in the catalogue's backups folder");
        QTest::newRow("export over its backups")
            << S("--export backups") << 1 << S("it is the catalogue's backups folder");
        QTest::newRow("missing file") << S("--import none.csv") << 1 << S("\"none.csv\" is not a file");
        QTest::newRow("unmapped CSV") << S("--import bare.csv") << 1 << S("no column is named Title");
        QTest::newRow("unknown") << S("--frobnicate") << 1 << S("unknown argument \"--frobnicate\"");
        QTest::newRow("unknown, among short options") << S("-hx") << 1 << S("unknown argument \"-hx\"");
        QTest::newRow("stray word") << S("extra") << 1 << S("unknown argument \"extra\"");
        QTest::newRow("no file name") << S("--import") << 1 << S("reelkeeper: --import needs a file name");
        QTest::newRow("version") << S("--version") << 0 << S("reelkeeper " REELKEEPER_VERSION "\n");
    }
    void commandLine()
    {
        QFETCH(QString, line);
        const QStringList arguments = line.split(QLatin1Char(' '));
        testing::TempCatalogue cat;
        cat.addMovie(S("Heat"), {{S("Year_Released"), S("1995")}});
        write(cat.dir(), S("in.csv"), "Title,Year\nHeat,1995\nAlien,1979\n");
        write(cat.dir(), S("bare.csv"), "Heat,1995\n");
        QFile::link(cat.path(), cat.dir() + S("/link"));
        QDir(cat.dir()).mkdir(S("backups"));
        QProcess run;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(S("HOME"), cat.dir());
        env.insert(S("XDG_CONFIG_HOME"), cat.dir());
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(cat.dir());
        run.start(S(REELKEEPER_BIN), QStringList{S("--catalogue"), cat.path()} + arguments);
        QVERIFY(run.waitForFinished(60000));
        QFETCH(QString, said);
        const QString output = QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
        QVERIFY2(output.contains(said), qPrintable(output));
        QTEST(run.exitCode(), "status");
        if (arguments.first() == S("--export") && run.exitCode() != 0) { // and in the window, the same words
            try {
                ExportFile(cat.open(), QDir(cat.dir()).filePath(arguments.at(1)));
                QFAIL("written");
            } catch (const FileError& e) {
                QVERIFY2(output.contains(e.why()), qPrintable(e.why()));
            }
        }
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Movie_Title")).toInt(),
                 arguments.contains(S("in.csv")) ? 2 : 1);
        QCOMPARE(QDir(cat.dir()).entryList({S("*.csv"), S("*.tc")}).size(), arguments.contains(S("out.tc")) ? 3 : 2);
    }

    // A CSV file whose header names no field: the user maps its columns, previews and imports; the
    // next file with that header opens with the same mapping. A file of 100,000 columns opens at once,
    // with the columns that map and a few more of the first thousand.
    void importWindow()
    {
        testing::TempCatalogue cat;
        testing::ScriptedMessages boxes;
        const QString path = write(cat.dir(), S("filme.csv"), "Film;Regisseur;Jahr\nHeat;Michael Mann;1995\n");
        QByteArray wide = "Title";
        for (int c = 1; c < 100000; ++c)
            wide += ",C" + QByteArray::number(c);
        wide += "\nHeat" + QByteArray(99999, ',') + "\n";
        QStringList files{path, path, write(cat.dir(), S("wide.csv"), wide.replace(",C777,", ",Year,"))};
        QElapsedTimer chosen;
        const auto chooseFile = [&](QWidget* dialog) {
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
            auto* edit = dialog->findChild<QLineEdit*>(S("fileNameEdit"));
            QTest::keyClicks(edit, files.takeFirst());
            chosen.start();
            QTest::keyClick(edit, Qt::Key_Return);
        };
        std::vector<std::pair<const char*, std::function<void(QWidget*)>>> script = {
            {nullptr, chooseFile},
            {"frmImportMap",
             [](QWidget* map) {
                 QVERIFY(!map->findChild<QPushButton*>(S("cmdOK"))->isEnabled());
                 for (auto [combo, field] :
                      {std::pair{"cboField0", "Title"}, {"cboField1", "Director"}, {"cboField2", "Year"}})
                     QTest::keyClicks(map->findChild<QComboBox*>(S(combo)), S(field));
                 QTest::mouseClick(map->findChild<QPushButton*>(S("cmdOK")), Qt::LeftButton);
             }},
            {"frmImportPreview",
             [](QWidget* preview) {
                 QVERIFY(preview->findChild<QLabel*>(S("lblSummary"))->text().startsWith(S("1 movie will be added.")));
                 QTest::mouseClick(preview->findChild<QPushButton*>(S("cmdImport")), Qt::LeftButton);
             }},
            {nullptr, chooseFile},
            {"frmImportMap",
             [](QWidget* map) {
                 QCOMPARE(map->findChild<QComboBox*>(S("cboField1"))->currentText(), S("Director"));
                 QTest::mouseClick(map->findChild<QPushButton*>(S("cmdCancel")), Qt::LeftButton);
             }},
            {nullptr, chooseFile},
            {"frmImportMap",
             [&](QWidget* map) {
                 const qint64 took = chosen.elapsed();
                 QTest::mouseClick(map->findChild<QPushButton*>(S("cmdCancel")), Qt::LeftButton);
                 QVERIFY2(took < 5000, qPrintable(S("%1 ms").arg(took)));
                 QCOMPARE(map->findChild<QComboBox*>(S("cboField777"))->currentText(), S("Year"));
                 QVERIFY(map->findChildren<QComboBox*>().size() < 100);
                 auto* hidden = map->findChild<QLabel*>(S("lblHidden"));
                 QVERIFY(hidden && hidden->text().startsWith(S("960 more columns are not shown")));
             }},
        };
        // Each window the import opens gets the next step, as it shows.
        std::size_t next = 0;
        std::function<void()> poll = [&] {
            QWidget* modal = QApplication::activeModalWidget();
            auto* fileName = modal ? modal->findChild<QLineEdit*>(S("fileNameEdit")) : nullptr;
            const char* name = next < script.size() ? script[next].first : "";
            if (modal && (name ? modal->objectName() == QLatin1String(name) : fileName && fileName->isVisible()))
                script[next++].second(modal);
            if (next < script.size())
                QTimer::singleShot(20, poll);
        };
        QTimer::singleShot(0, poll);
        QVERIFY(ImportInteractive(nullptr));
        QVERIFY(!ImportInteractive(nullptr));
        QVERIFY(!ImportInteractive(nullptr));
        QCOMPARE(next, script.size());
        QCOMPARE(boxes.texts().value(0).left(24), S("1 movie added, 0 overwri"));
        QCOMPARE(cat.scalar(S("SELECT Director || Year_Released FROM qry_Movie_Title")).toString(),
                 S("Michael Mann1995"));
    }
};

QTEST_MAIN(TestExchange)
#include "test_exchange.moc"
