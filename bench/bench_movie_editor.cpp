// The movie editor on the 50,000-movie catalogue: opening it (ten lists and one movie read) and
// saving a movie with ten new credit names. Every statement the editor runs is caught and its
// query plan checked for whole-table scans.
#include "CatalogueGenerator.h"
#include "movie_editor/frmMovieAdd.h"
#include "shell/App.h"
#include "shell/Toolkit.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

namespace {

constexpr int kMovies = 50000;
const char* const kCombos[] = {"dbcDirector", "dbcProducer", "dbcExecutiveProducer", "dbcScreenWriter",
                               "dbcWriter",   "dbcComposer", "dbcCinematographer",   "dbcGenre",
                               "dbcStudio",   "dbcFormat"};

QSet<QString>& seenStatements()
{
    static QSet<QString> seen;
    return seen;
}

// Every connection the editor opens reports the statements it runs.
int traceStatement(unsigned, void*, void* stmt, void*)
{
    seenStatements().insert(QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt))));
    return 0;
}
int traceConnection(sqlite3* db, const char**, const struct sqlite3_api_routines*)
{
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, traceStatement, nullptr);
    return SQLITE_OK;
}

// A private copy of a generated catalogue, since the save benchmarks add to it.
class Catalogue
{
public:
    Catalogue()
    {
        const QString cache = QDir::currentPath() + QStringLiteral("/bench-data-editor/") + QString::number(kMovies);
        QDir().mkpath(cache);
        const QString source = cache + QStringLiteral("/Reelkeeper.mdb");
        if (!QFile::exists(source))
            bench::GenerateCatalogue(source, bench::ShapeFor(kMovies));
        QFile::copy(source, m_dir.path() + QStringLiteral("/Reelkeeper.mdb"));
        shell::App::SetPath(m_dir.path());
    }

private:
    QTemporaryDir m_dir;
};

std::unique_ptr<movie_editor::frmMovieAdd> openEditor(const QString& title)
{
    shell::CurrentMovieTitle() = title;
    return std::make_unique<movie_editor::frmMovieAdd>();
}

void BM_OpenForNew(benchmark::State& state)
{
    Catalogue cat;
    for (auto _ : state)
        benchmark::DoNotOptimize(openEditor(QString()).get());
}

void BM_OpenForEdit(benchmark::State& state)
{
    Catalogue cat;
    // A title from the middle of the catalogue: the one the generator wrote at that key.
    sqlite3* db = nullptr;
    sqlite3_open_v2((shell::App::Path() + QStringLiteral("/Reelkeeper.mdb")).toUtf8().constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT Movie_Title FROM tbl_Movie_Title WHERE Movie_ID = 25000", -1, &st, nullptr);
    const QString title = sqlite3_step(st) == SQLITE_ROW
                              ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)))
                              : QString();
    sqlite3_finalize(st);
    sqlite3_close(db);
    for (auto _ : state) {
        auto f = openEditor(title);
        benchmark::DoNotOptimize(f.get());
    }
    state.SetLabel(title.toStdString());
}

// One save as the user makes it: a new title and ten names the catalogue does not hold yet.
void BM_SaveNewMovieWithNewNames(benchmark::State& state)
{
    Catalogue cat;
    auto f = openEditor(QString());
    int n = 0;
    for (auto _ : state) {
        ++n;
        f->findChild<QLineEdit*>(QStringLiteral("txtMovieTitle"))->setText(QStringLiteral("New Bench %1").arg(n));
        for (const char* name : kCombos)
            f->findChild<QComboBox*>(QString::fromLatin1(name))
                ->setEditText(QStringLiteral("Name %1 %2").arg(n).arg(QString::fromLatin1(name)));
        f->cmd_Update_Click();
    }
}

// Overwriting a stored movie whose credits all exist.
void BM_OverwriteMovie(benchmark::State& state)
{
    Catalogue cat;
    auto f = openEditor(QString());
    f->findChild<QLineEdit*>(QStringLiteral("txtMovieTitle"))->setText(QStringLiteral("Overwritten"));
    f->cmd_Update_Click();
    for (auto _ : state)
        f->cmd_Update_Click();
}

BENCHMARK(BM_OpenForNew)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenForEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveNewMovieWithNewNames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OverwriteMovie)->Unit(benchmark::kMillisecond);

// Plans that read a whole table: a plain SCAN, any scan of the movie table, or a sort in a temporary tree.
// The ten list fills read their tables whole by design, through the name index in name order.
int checkPlans()
{
    const QString path = shell::App::Path() + QStringLiteral("/Reelkeeper.mdb");
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    int bad = 0;
    for (const QString& sql : std::as_const(seenStatements())) {
        if (!sql.contains(QStringLiteral("tbl_")) && !sql.contains(QStringLiteral("qry_")))
            continue;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, QString(QStringLiteral("EXPLAIN QUERY PLAN ") + sql).toUtf8().constData(), -1, &st,
                               nullptr) != SQLITE_OK)
            continue;
        QStringList plan;
        while (sqlite3_step(st) == SQLITE_ROW)
            plan << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)));
        sqlite3_finalize(st);
        bool wrong = false;
        for (const QString& step : std::as_const(plan)) {
            const bool scan = step.startsWith(QStringLiteral("SCAN"));
            wrong = wrong || (scan && !step.contains(QStringLiteral("INDEX"))) ||
                    (scan &&
                     (step.contains(QStringLiteral("tbl_Movie_Title")) || step.startsWith(QStringLiteral("SCAN m")))) ||
                    step.contains(QStringLiteral("TEMP B-TREE"));
        }
        bad += wrong ? 1 : 0;
        std::printf("%s %s\n    %s\n", wrong ? "SCANS" : "ok   ", qPrintable(sql),
                    qPrintable(plan.join(QStringLiteral("\n    "))));
    }
    sqlite3_close(db);
    return bad;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    shell::SetMessageHandler([](const shell::MessageRecord& box) { return box.yesNo() ? shell::vbYes : shell::vbOK; });
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(traceConnection));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    // One more open and save on a fresh copy, with the statements they run collected.
    Catalogue cat;
    seenStatements().clear();
    {
        auto f = openEditor(QString());
        f->findChild<QLineEdit*>(QStringLiteral("txtMovieTitle"))->setText(QStringLiteral("Plan Check"));
        f->cmd_Update_Click();
        f->findChild<QComboBox*>(QStringLiteral("dbcDirector"))->setEditText(QStringLiteral("Plan Director"));
        f->cmd_Update_Click();
        auto g = openEditor(QStringLiteral("Plan Check"));
    }
    const int bad = checkPlans();
    std::printf("%d statement(s) reading a whole table\n", bad);
    return bad == 0 ? 0 : 1;
}
