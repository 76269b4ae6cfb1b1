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

constexpr int kAbsent = -2;
constexpr int kMixed = -1;

// Which variant the row's movie is, whole; kMixed when its values come from more than one.
int variantOf(const store::Recordset& rs)
{
    static const auto variants = [] {
        std::vector<reliability::Variant> all;
        for (int v = 0; v < reliability::kVariants; ++v)
            all.push_back(reliability::VariantOf(v));
        return all;
    }();
    for (int v = 0; v < reliability::kVariants; ++v) {
        bool all = true;
        for (const auto& [column, value] : variants[std::size_t(v)].columns)
            all = all && rs.Value(column).toString() == value;
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

    int expected(const QString& title) const
    {
        const auto it = movies.find(title);
        return it == movies.end() ? kAbsent : it->second;
    }

    void apply(const QStringList& op)
    {
        if (op[1] == QLatin1String("save")) {
            movies[op[2]] = op[3].toInt();
        } else if (op[1] == QLatin1String("link")) {
            links.insert({op[2], op[3]});
        } else {
            movies.erase(op[2]);
            for (auto it = links.begin(); it != links.end();)
                if (it->first == op[2]) {
                    goneActors.insert(it->second);
                    it = links.erase(it);
                } else {
                    ++it;
                }
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

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT
private slots:
    void killedMidWorkLosesNothingReported();

private:
    void checkCatalogue(const testing::TempCatalogue& cat, Model& model);
};

void TestCrash::checkCatalogue(const testing::TempCatalogue& cat, Model& model)
{
    model.readLog(cat.dir() + S("/ops.log"));
    const store::Connection db = cat.open();
    const auto count = [&](const QString& sql, const std::vector<QVariant>& params = {}) {
        return cat.scalar(sql, params).toLongLong();
    };
    QCOMPARE(cat.scalar(S("PRAGMA integrity_check")).toString(), S("ok"));
    for (const store::Credit& c : store::kCredits) {
        const QString key = QString::fromLatin1(c.key), table = QString::fromLatin1(c.table);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM tbl_Movie_Title m LEFT JOIN %1 l ON l.%2 = m.%2 "
                                      "WHERE l.%2 IS NULL")
                           .arg(table, key)),
                 0);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM %1 WHERE %2 = 1 AND %3 = 'Unknown'")
                           .arg(table, key, QString::fromLatin1(c.name))),
                 1);
    }
    QCOMPARE(count(S("SELECT count(*) FROM tbl_Actor_Movie_Join j WHERE j.Movie_ID NOT IN "
                     "(SELECT Movie_ID FROM tbl_Movie_Title) OR j.Actor_ID NOT IN (SELECT Actor_ID FROM tbl_Actor)")),
             0);
    QCOMPARE(count(S("SELECT count(*) FROM tbl_Movie_Title WHERE Movie_Title = 'Keeper'")), 1);

    // Every movie is one variant whole; the one under way may be either its old or its new self.
    std::map<QString, int> stored; // title -> variant, "Keeper" aside
    for (store::Recordset rs(db, S("SELECT * FROM qry_Movie_Title WHERE Movie_Title <> 'Keeper'")); !rs.Eof();
         rs.MoveNext()) {
        const QString title = rs.Value(S("Movie_Title")).toString();
        stored[title] = stored.count(title) ? kMixed : variantOf(rs);
    }
    const auto actual = [&](const QString& title) {
        const auto it = stored.find(title);
        return it == stored.end() ? kAbsent : it->second;
    };
    std::set<QString> titles;
    for (const auto* movies : {&stored, &model.movies})
        for (const auto& m : *movies)
            titles.insert(m.first);
    const QString pendingTitle = model.pending ? model.pending->value(2) : QString();
    for (const QString& title : titles) {
        QVERIFY2(actual(title) != kMixed, qPrintable(QStringLiteral("half-written movie ") + title));
        int allowed = model.expected(title);
        if (title == pendingTitle && actual(title) != allowed) {
            const QStringList& op = *model.pending;
            allowed = op[1] == QLatin1String("save")     ? op[3].toInt()
                      : op[1] == QLatin1String("delete") ? kAbsent
                                                         : allowed;
        }
        QVERIFY2(actual(title) == allowed,
                 qPrintable(QStringLiteral("%1: %2, expected %3").arg(title).arg(actual(title)).arg(allowed)));
    }
    // The unfinished operation's links are settled below and checked after the next kill.
    std::set<std::pair<QString, QString>> linked;
    for (store::Statement q(db, S("SELECT Movie_Title, Actor FROM qry_Actor_Movie_Join")); q.step();)
        QVERIFY(linked.insert({q.column(0).toString(), q.column(1).toString()}).second);
    for (const auto& [title, actor] : model.links)
        QVERIFY2(title == pendingTitle || linked.count({title, actor + S(", Crash")}),
                 qPrintable(title + QLatin1Char(' ') + actor));
    for (const QString& actor : model.goneActors)
        QCOMPARE(count(S("SELECT count(*) FROM tbl_Actor WHERE Actor_Last_Name = ?"), {actor}), 0);

    // Whatever the unfinished operation did is now fact; the next run starts from it.
    if (model.pending) {
        const QStringList op = *model.pending;
        model.pending.reset();
        if (op[1] == QLatin1String("link") ? linked.count({op[2], op[3] + S(", Crash")}) == 1
                                           : actual(op[2]) != model.expected(op[2]))
            model.apply(op);
    }
}

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
    for (; run < kills && clock.elapsed() < 50000; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setReadChannel(QProcess::StandardOutput);
        child.start(S(CHILD_PATH),
                    {S("crash"), cat.dir(), logPath, QString::number(run), QString::number(random.generate())});
        QVERIFY(child.waitForStarted());
        while (!child.readAllStandardOutput().contains("ready") && child.state() == QProcess::Running)
            child.waitForReadyRead(5000);
        // The kill lands once the first operation has begun, however slow a loaded machine is.
        const qint64 logged = QFileInfo(logPath).size();
        QElapsedTimer begun;
        begun.start();
        while (QFileInfo(logPath).size() == logged && child.state() == QProcess::Running && begun.elapsed() < 5000)
            QTest::qWait(1);
        QTest::qWait(int(random.bounded(0, 100)));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QVERIFY2(child.exitStatus() == QProcess::CrashExit,
                 qPrintable(QStringLiteral("the child stopped by itself with %1").arg(child.exitCode())));
        model.readLog(logPath);
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
