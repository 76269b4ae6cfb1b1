// Kills a process in the middle of saving, overwriting, casting and deleting movies, hundreds of
// times, and checks after every kill that the catalogue is sound and holds what was reported done.
#include "CrashScript.h"
#include "store/Credits.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <csignal>
#include <map>
#include <optional>
#include <set>

namespace {

const auto S = [](const char* text) { return QString::fromLatin1(text); };

constexpr int kMixed = -1;

// Which variant the row's movie is, whole; kMixed when its values come from more than one.
int variantOf(const store::Recordset& rs)
{
    for (int v = 0; v < reliability::kVariants; ++v) {
        bool all = true;
        for (std::size_t box = 0; box < std::size(reliability::kControls); ++box)
            all = all && rs.Value(reliability::ColumnOf(box)).toString() == reliability::ValueOf(box, v);
        if (all)
            return v;
    }
    return kMixed;
}

// What the log says must be in the catalogue, carried from kill to kill.
struct Model
{
    std::map<QString, int> movies;               // title -> variant, present ones only
    std::set<std::pair<QString, QString>> links; // (title, actor last name)
    std::set<QString> goneActors;                // cast only in a deleted movie
    std::optional<QStringList> pending;          // the operation under way when killed
    qint64 logOffset = 0;
    int done = 0;

    void apply(const QStringList& op)
    {
        if (op[1] == QLatin1String("save")) {
            movies[op[2]] = op[3].toInt();
        } else if (op[1] == QLatin1String("link")) {
            links.insert({op[2], op[3]});
        } else {
            movies.erase(op[2]);
            std::erase_if(links, [&](const auto& link) {
                return link.first == op[2] && goneActors.insert(link.second).first != goneActors.end();
            });
        }
        ++done;
    }

    // Only whole lines count: the child may die while writing one.
    void readLog(const QString& path)
    {
        QFile log(path);
        QVERIFY(log.open(QIODevice::ReadOnly));
        log.seek(logOffset);
        for (QByteArray bytes = log.readLine(); bytes.endsWith('\n'); bytes = log.readLine()) {
            const QString line = QString::fromUtf8(bytes).trimmed();
            logOffset = log.pos();
            if (line == QLatin1String("D")) {
                QVERIFY(pending);
                apply(*pending);
                pending.reset();
            } else {
                QVERIFY2(!pending, "an operation began before the last one resolved");
                pending = line.split(QLatin1Char(' '));
            }
        }
    }
};

// After a kill: the catalogue is sound and holds what was reported done, and whatever the unfinished
// operation did becomes fact the next run starts from.
void checkCatalogue(const testing::TempCatalogue& cat, Model& model)
{
    const store::Connection db = cat.open();
    QCOMPARE(cat.scalar(S("PRAGMA integrity_check")).toString(), S("ok"));
    // Nothing points nowhere, every credit keeps its "Unknown", and the movie from before stays.
    QString wrong = S("SELECT (SELECT count(*) FROM tbl_Actor_Movie_Join WHERE Movie_ID NOT IN (SELECT Movie_ID FROM "
                      "tbl_Movie_Title) OR Actor_ID NOT IN (SELECT Actor_ID FROM tbl_Actor)) + (SELECT count(*) <> 1 "
                      "FROM tbl_Movie_Title WHERE Movie_Title = 'Keeper')");
    for (const store::Credit& c : store::kCredits)
        wrong +=
            QStringLiteral(" + (SELECT count(*) FROM tbl_Movie_Title m LEFT JOIN %1 l ON l.%2 = m.%2 WHERE l.%2 IS "
                           "NULL) + (SELECT count(*) <> 1 FROM %1 WHERE %2 = 1 AND %3 = 'Unknown')")
                .arg(QString::fromLatin1(c.table), QString::fromLatin1(c.key), QString::fromLatin1(c.name));
    QCOMPARE(cat.scalar(wrong).toInt(), 0);

    // Every movie is one variant whole; the one under way may be either its old or its new self.
    std::map<QString, int> stored; // title -> variant, "Keeper" aside
    for (store::Recordset rs(db, S("SELECT * FROM qry_Movie_Title WHERE Movie_Title <> 'Keeper'")); !rs.Eof();
         rs.MoveNext()) {
        const QString title = rs.Value(S("Movie_Title")).toString();
        stored[title] = stored.count(title) ? kMixed : variantOf(rs);
    }
    Model after = model;
    if (model.pending)
        after.apply(*model.pending);
    QVERIFY2(stored == model.movies || stored == after.movies,
             qPrintable(QStringLiteral("%1 movies stored, %2 reported").arg(stored.size()).arg(model.movies.size())));
    // The unfinished operation's links are settled below and checked after the next kill.
    const QStringList op = model.pending.value_or(QStringList());
    std::set<std::pair<QString, QString>> linked;
    for (store::Statement q(db, S("SELECT Movie_Title, Actor FROM qry_Actor_Movie_Join")); q.step();)
        QVERIFY(linked.insert({q.column(0).toString(), q.column(1).toString()}).second);
    for (const auto& [title, actor] : model.links)
        QVERIFY2(op.value(2) == title || linked.count({title, actor + S(", Crash")}),
                 qPrintable(title + QLatin1Char(' ') + actor));
    for (const QString& actor : model.goneActors)
        QCOMPARE(cat.scalar(S("SELECT count(*) FROM tbl_Actor WHERE Actor_Last_Name = ?"), {actor}).toInt(), 0);
    if (op.value(1) == QLatin1String("link") ? linked.count({op.value(2), op.value(3) + S(", Crash")}) == 1
                                             : stored != model.movies)
        model = after;
    model.pending.reset();
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedMidWorkLosesNothingReported();
};

void TestCrash::killedMidWorkLosesNothingReported()
{
    testing::TempCatalogue cat;
    cat.addMovie(S("Keeper")); // one movie from before, never touched
    Model model;
    const int kills =
        qEnvironmentVariableIsSet("RELIABILITY_KILLS") ? qEnvironmentVariableIntValue("RELIABILITY_KILLS") : 300;
    QRandomGenerator random(20261207);
    QElapsedTimer clock;
    clock.start();
    const QString logPath = cat.dir() + S("/ops.log");
    int run = 0, midOperation = 0;
    // A slow machine takes longer over a first operation than a fast one: the window the kill
    // falls in widens while runs end before finishing one and narrows once they finish some.
    int window = 100;
    for (; run < kills && clock.elapsed() < 50000; ++run) {
        // The kill lands once the first operation has begun, however slow a loaded machine is.
        const qint64 logged = QFileInfo(logPath).size();
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        testing::MakeKillable(child);
        child.start(S(CHILD_PATH),
                    {S("crash"), cat.dir(), logPath, QString::number(run), QString::number(random.generate())});
        QVERIFY(child.waitForStarted());
        QElapsedTimer begun;
        begun.start();
        while (QFileInfo(logPath).size() == logged && child.state() == QProcess::Running && begun.elapsed() < 30000)
            QTest::qWait(1);
        QTest::qWait(int(random.bounded(0, window)));
        // A child gone already has no id: a kill of 0 would end this whole process group.
        if (const qint64 pid = child.processId(); pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        QVERIFY(child.waitForFinished());
        QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the child stopped by itself with %1").arg(child.exitCode())));
        const int doneBefore = model.done;
        model.readLog(logPath);
        window = model.done == doneBefore ? std::min(window * 2, 3000) : std::max(window / 2, 100);
        midOperation += model.pending.has_value();
        checkCatalogue(cat, model);
        if (QTest::currentTestFailed())
            return qWarning("after kill %d", run + 1);
    }
    qInfo("%d kills, %d of them in an operation, %d operations reported done, %.1f s", run, midOperation, model.done,
          double(clock.elapsed()) / 1000);
    QVERIFY2(midOperation > run / 2,
             qPrintable(QStringLiteral("only %1 of %2 kills landed in an operation").arg(midOperation).arg(run)));
    // A copy was taken before each run's first change, and only the newest five are kept.
    QCOMPARE(QDir(cat.dir() + S("/backups")).entryList({S("Reelkeeper-*.mdb")}, QDir::Files).size(), 5);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "test_crash.moc"
