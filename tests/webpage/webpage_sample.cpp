// Writes the pages the browser tests open: the shared find cases' movies (hostile values among
// them, one with a cover) exported from a catalogue, and a generated collection of 50,000 movies,
// which must stay small and quick to write.
#include "catalog/Clock.h"
#include "covers/CoverStore.h"
#include "exchange/Exchange.h"
#include "loans/LoanStore.h"
#include "support/TestSupport.h"
#include "webpage/WebPage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

const QString S(const char* text)
{
    return QString::fromUtf8(text);
}

// The movies put in a catalogue as the find tests put them, the first with a cover, and the page
// exported from it as the program exports it, under a file name the page takes as its title.
bool exportCases(const QJsonArray& movies, const QString& page)
{
    testing::TempCatalogue cat;
    store::Connection db = cat.open();
    qint64 first = 0;
    for (const QJsonValue& value : movies) {
        const QJsonObject m = value.toObject();
        std::map<QString, QVariant> fields;
        for (auto it = m.begin(); it != m.end(); ++it)
            if (it.value().isString() || it.value().isBool())
                fields[it.key()] = it.value().toVariant();
        const qint64 id = cat.addMovie(m[S("title")].toString(), fields);
        first = first ? first : id;
        for (const QJsonValue& a : m[S("cast")].toArray()) {
            const qint64 actor = cat.addActor(a[0].toString(), a[1].toString());
            cat.link(actor, id);
            if (!a[2].toString().isEmpty())
                cat.scalar(S("INSERT INTO [tbl_Cast_Character] VALUES (?, ?, ?)"), {id, actor, a[2].toString()});
        }
        if (m[S("plot")].isString())
            cat.scalar(S("INSERT INTO [tbl_Movie_Details] ([Movie_ID], [Plot]) VALUES (?, ?)"),
                       {id, m[S("plot")].toString()});
        const QJsonObject loan = m[S("loan")].toObject();
        if (!loan.isEmpty())
            loans::Lend(db, id, loan[S("borrower")].toString(),
                        QDate::fromString(loan[S("lent")].toString(), Qt::ISODate),
                        QDate::fromString(loan[S("due")].toString(), Qt::ISODate));
    }
    QImage cover(300, 450, QImage::Format_RGB32);
    cover.fill(QColor(200, 60, 40));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    cover.save(&buffer, "png");
    covers::SaveCover(db, first, covers::PrepareCover(png, S("cover.png")).cover);
    const QString named = cat.dir() + S("/Shared <img src=x onerror=alert(3)> & \"friends\"\u2028.html");
    catalog::SetToday(QDate(2026, 12, 7));
    QFile::remove(page);
    return exchange::ExportFile(db, named, {}, true) == movies.size() && QFile::rename(named, page);
}

// A movie of a collection shaped like the benchmarks' largest: every credit named, from 3,000
// directors and 300 names for each other credit, and five of 20,000 actors.
webpage::MovieRecord generated(int n)
{
    static const char* const first[] = {"James", "Mary", "Élodie", "Kenji", "Ingrid", "Omar", "Chiara", "Tomás"};
    static const char* const last[] = {"Smith", "Moreau", "Tanaka", "O'Neill", "Lindqvist", "Novák", "Okafor"};
    static const char* const words[] = {"Night", "Return", "Blue",  "Garden", "Silent", "River", "City", "Last",
                                        "Dream", "Winter", "Stone", "Fire",   "Summer", "Ghost", "Road", "Star"};
    quint32 seed = quint32(n) * 2654435761u + 1;
    const auto next = [&](quint32 below) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % below;
    };
    const auto person = [&](quint32 i) -> QString {
        return S(first[i % 8]) + S(" ") + S(last[i % 7]) + S(" ") + QString::number(i);
    };
    webpage::MovieRecord r;
    r.title = S(words[next(16)]) + S(" ") + S(words[next(16)]) + S(" ") + QString::number(n);
    r.credits[0] << person(next(3000));
    for (int c = 1; c < webpage::kCreditCount; ++c)
        r.credits[c] << person(c * 1000 + next(300));
    r.length = S("%1:%2").arg(1 + next(3)).arg(next(60), 2, 10, QLatin1Char('0'));
    r.year = QString::number(1920 + next(106));
    r.grade = S("B+");
    r.rating = S("PG-13");
    r.widescreen = next(3) == 0;
    for (int k = 0; k < 5; ++k) {
        const quint32 a = next(20000);
        r.cast.push_back({S(last[a % 7]) + QString::number(a) + S(", ") + S(first[a % 8]), QString()});
    }
    return r;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // the picture formats' plugins
    if (argc != 4) {
        std::fprintf(stderr, "usage: webpage_sample find_cases.json cases.html many.html\n");
        return 2;
    }
    QFile cases(QString::fromLocal8Bit(argv[1]));
    if (!cases.open(QIODevice::ReadOnly))
        return 1;
    if (!exportCases(QJsonDocument::fromJson(cases.readAll()).object()[S("movies")].toArray(),
                     QString::fromLocal8Bit(argv[2])))
        return 1;

    constexpr int kMovies = 50000;
    QByteArray many;
    QBuffer manyBuffer(&many);
    manyBuffer.open(QIODevice::WriteOnly);
    int n = 0;
    QElapsedTimer timer;
    timer.start();
    const QString error =
        webpage::WritePage(manyBuffer, S("Fifty thousand"), QDate(2026, 12, 7), [&](webpage::MovieRecord& m) {
            if (n == kMovies)
                return false;
            m = generated(n++);
            return true;
        });
    const qint64 ms = timer.elapsed();
    std::printf("%d movies: %lld bytes written in %lld ms\n", kMovies, qint64(many.size()), ms);
    if (!error.isEmpty() || !write(QString::fromLocal8Bit(argv[3]), many))
        return 1;
    if (many.size() >= 15'000'000) {
        std::printf("the page is larger than 15 MB\n");
        return 1;
    }
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
    if (ms >= 2000) {
        std::printf("writing took 2 s or more\n");
        return 1;
    }
#endif
    return 0;
}
