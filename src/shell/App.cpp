#include "shell/App.h"

#include "store/Catalogue.h"

#include <QCoreApplication>

namespace shell {

namespace {
struct State
{
    QString path;
    QString title = QStringLiteral("Reelkeeper");
    QString helpFile;
    bool prevInstance = false;
    QString currentMovieTitle;
    qint64 currentMovieId = 0;
};

State& state()
{
    static State s;
    return s;
}
} // namespace

QString App::Path()
{
    if (state().path.isEmpty())
        return QCoreApplication::applicationDirPath();
    return state().path;
}

void App::SetPath(const QString& path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    state().path = p;
    store::SetCataloguePath(Path() + QStringLiteral("/Reelkeeper.mdb")); // a test's own catalogue
}

QString App::Title()
{
    return state().title;
}
void App::SetTitle(const QString& title)
{
    state().title = title;
}
QString App::HelpFile()
{
    return state().helpFile;
}
void App::SetHelpFile(const QString& file)
{
    state().helpFile = file;
}
bool App::PrevInstance()
{
    return state().prevInstance;
}
void App::SetPrevInstance(bool running)
{
    state().prevInstance = running;
}

QString& CurrentMovieTitle()
{
    return state().currentMovieTitle;
}

qint64& CurrentMovieId()
{
    return state().currentMovieId;
}

} // namespace shell
