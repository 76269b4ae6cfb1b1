#include "online/OnlineFeature.h"

#include "movie_editor/frmMovieAdd.h"
#include "online/LookupWindow.h"
#include "online/OnlineWindows.h"
#include "online/Tmdb.h"
#include "shell/ErrorReport.h"
#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Recordset.h"

#include <QCoreApplication>
#include <QPointer>

namespace online {

namespace {
const auto S = [](const char* text) { return QString::fromLatin1(text); };

std::vector<qint64> allMovies()
{
    const store::Connection db = store::OpenDatabase();
    store::Recordset rs(db, S("SELECT [Movie_ID] FROM [tbl_Movie_Title] ORDER BY [Movie_Title]"));
    std::vector<qint64> ids;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext())
        ids.push_back(rs.Value(S("Movie_ID")).toLongLong());
    return ids;
}
} // namespace

Gateway& SharedGateway()
{
    static QPointer<Gateway> gateway;
    if (!gateway)
        gateway = new Gateway(Gateway::DefaultCacheFile(), QCoreApplication::instance());
    // A key file left readable by others by an earlier version is closed now.
    ProtectSettingsFile();
    AddTmdbServices(*gateway);
    return *gateway;
}

void RegisterFeature()
{
    // "L&oans..." holds the O of the menu.
    shell::AddCollectionItem({70, S("&Update from Online..."), S("mnuOnlineUpdate"), [](shell::Hub& hub) {
                                  std::optional<std::vector<qint64>> found = hub.FoundMovieIds();
                                  QString which = S("those the find box shows");
                                  std::vector<qint64> ids;
                                  try {
                                      if (found) {
                                          ids = std::move(*found);
                                      } else {
                                          ids = allMovies();
                                          which = S("every movie of the catalogue");
                                      }
                                  } catch (const store::StoreError& e) {
                                      shell::ShowStoreError(e);
                                      return;
                                  }
                                  auto provider = MakeTmdb(SharedGateway());
                                  auto* window = new frmOnlineUpdate(*provider, std::move(ids), which, hub.Window());
                                  bool changed = false;
                                  QObject::connect(window, &QDialog::finished, window,
                                                   [window, &changed] { changed = window->Changed(); });
                                  shell::ShowModal(window, hub.Window());
                                  if (changed)
                                      hub.Reread();
                              }});
    shell::AddCollectionItem(
        {90, S("Online Loo&kup..."), S("mnuOnlineLookup"),
         [](shell::Hub& hub) { shell::ShowModal(new frmOnlineSettings(hub.Window()), hub.Window()); }, true});
    movie_editor::frmMovieAdd::SetLookupCommand(
        [](QWidget* owner, const catalog::Movie& current, bool hasCover, movie_editor::frmMovieAdd::LookupApply apply) {
            auto provider = MakeTmdb(SharedGateway());
            auto* window = new frmLookup(*provider, current, hasCover, owner);
            QObject::connect(window, &QDialog::accepted, window,
                             [window, apply] { apply(window->Filled(), window->Cover()); });
            shell::ShowModal(window, owner);
        });
}

} // namespace online
