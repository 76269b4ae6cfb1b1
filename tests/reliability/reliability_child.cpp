// A second process for the reliability tests, so they can kill it or starve it of disk.
//   crash <folder> <log> <run> <seed>  saves, overwrites, deletes and casts movies until killed,
//                                      logging "B ..." before and "D" after each reported success
//   save <folder> <desktop> <limit>    one save through the editor under a file-size limit (0: none)
//   report <folder> <desktop> <limit>  the Movie Title report under a file-size limit
// Every message box is answered and printed as "BOX <title>: <text>" on stdout.
#include "CrashScript.h"
#include "Features.h"
#include "main_window/DeleteMovie.h"
#include "movie_editor/frmMovieAdd.h"
#include "reports/ReportModule.h"
#include "shell/App.h"
#include "shell/ErrorReport.h"
#include "store/Backup.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The line is on disk before the caller goes on, so the log never claims more than happened.
void logLine(int fd, const QString& text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    if (::write(fd, bytes.constData(), std::size_t(bytes.size())) != bytes.size() || ::fsync(fd) != 0)
        std::_Exit(3);
}

void printBoxes(const testing::ScriptedMessages& boxes)
{
    for (const shell::MessageRecord& box : boxes.boxes())
        std::printf("BOX %s: %s\n", qPrintable(box.title),
                    qPrintable(QString(box.text).replace(QStringLiteral("\r\n"), QStringLiteral(" | "))));
    std::fflush(stdout);
}

// Drives the editor as a user would: fills its boxes and presses the save button.
bool saveThroughEditor(const QString& title, const QString& opened, int variant, testing::ScriptedMessages& boxes)
{
    shell::CurrentMovieTitle() = opened;
    movie_editor::frmMovieAdd form;
    form.findChild<QLineEdit*>(QStringLiteral("txtMovieTitle"))->setText(title);
    for (std::size_t box = 0; box < std::size(reliability::kControls); ++box) {
        auto* control = form.findChild<QWidget*>(QString::fromLatin1(reliability::kControls[box]));
        if (auto* combo = qobject_cast<QComboBox*>(control))
            combo->setEditText(reliability::ValueOf(box, variant));
        else
            static_cast<QLineEdit*>(control)->setText(reliability::ValueOf(box, variant));
    }
    boxes.clear();
    form.findChild<QPushButton*>(QStringLiteral("cmd_Update"))->click();
    const QString done =
        title + (opened.isEmpty() ? QStringLiteral(" has been added") : QStringLiteral(" has been updated"));
    const QStringList told = boxes.texts();
    return std::any_of(told.cbegin(), told.cend(), [&](const QString& text) { return text.startsWith(done); });
}

qint64 movieKey(const store::Connection& db, const QString& title)
{
    store::Recordset rs(db, QStringLiteral("SELECT * FROM [tbl_Movie_Title] WHERE [Movie_Title] = ?"), {title});
    return rs.Eof() ? 0 : rs.Value(QStringLiteral("Movie_ID")).toLongLong();
}

// The cast editor's way of linking: the actor added to the library, then one link row.
void linkNewActor(const QString& title, const QString& actor)
{
    store::Connection db = store::OpenDatabase();
    const qint64 movie = movieKey(db, title);
    store::Recordset actors(db, QStringLiteral("SELECT * FROM [tbl_Actor] WHERE [Actor_ID] = ?"), {QVariant()});
    actors.AddNew();
    actors.Fields(QStringLiteral("Actor_Last_Name")) = actor;
    actors.Fields(QStringLiteral("Actor_First_Name")) = QStringLiteral("Crash");
    actors.Update();
    store::Recordset links(db, QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = ?"), {movie});
    links.AddNew();
    links.Fields(QStringLiteral("Actor_ID")) = actors.LastInsertedKey();
    links.Fields(QStringLiteral("Movie_ID")) = movie;
    links.Update();
}

int crash(const QStringList& args)
{
    const int log = ::open(args[1].toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    const QString run = args[2];
    QRandomGenerator random(args[3].toUInt());
    testing::ScriptedMessages boxes;
    std::map<QString, int> mine; // this run's stored movies and their variants
    // As the program does once its window shows: a kill may land in the copy or in a save waiting for it.
    store::StartBackup(store::CataloguePath());
    for (int n = 0;; ++n) {
        const int pick = mine.empty() ? 0 : int(random.bounded(10));
        const auto any = std::next(mine.begin(), mine.empty() ? 0 : int(random.bounded(int(mine.size()))));
        if (pick < 7) { // a new movie, or one of this run's saved again as another variant
            const bool fresh = pick < 4;
            const QString title = fresh ? QStringLiteral("R%1-M%2").arg(run).arg(n) : any->first;
            const int v =
                fresh ? int(random.bounded(reliability::kVariants))
                      : (any->second + 1 + int(random.bounded(reliability::kVariants - 1))) % reliability::kVariants;
            logLine(log, QStringLiteral("B save %1 %2").arg(title).arg(v));
            if (!saveThroughEditor(title, fresh ? QString() : title, v, boxes))
                return printBoxes(boxes), 4;
            mine[title] = v;
        } else if (pick < 9) {
            const QString actor = QStringLiteral("A%1-%2").arg(run).arg(n);
            logLine(log, QStringLiteral("B link %1 %2").arg(any->first, actor));
            linkNewActor(any->first, actor);
        } else {
            logLine(log, QStringLiteral("B delete %1").arg(any->first));
            store::Connection db = store::OpenDatabase();
            if (!main_window::DeleteMovieRecord(db, movieKey(db, any->first)))
                return 4;
            mine.erase(any);
        }
        logLine(log, QStringLiteral("D"));
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    RegisterFeatures();
    shell::TellBackupFailures();
    const QStringList args = app.arguments().mid(2);
    const QString mode = app.arguments().value(1);
    try {
        shell::App::SetPath(args[0]);
        if (mode == QLatin1String("crash"))
            return crash(args);
        ReportModule::SetDesktopFolder(args[1]);
        // A write past the limit then fails with "File too large" instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{args[2].toULongLong(), args[2].toULongLong()};
        if (limit.rlim_cur > 0)
            setrlimit(RLIMIT_FSIZE, &limit);
        testing::ScriptedMessages boxes;
        if (mode == QLatin1String("save"))
            saveThroughEditor(QStringLiteral("Too Big To Fit"), QString(), 1, boxes);
        else
            ReportModule::PrintMovieTitleReport();
        printBoxes(boxes);
    } catch (const store::StoreError& e) {
        std::printf("ERROR %s\n", qPrintable(e.message()));
        return 5;
    }
    return 0;
}
