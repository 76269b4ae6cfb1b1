#include "main_window/FindMovies.h"

#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/ErrorReport.h"

namespace main_window {

void FindMovies(frmMain& main, const QString& typed)
{
    shell::Guarded([&] {
        DataControl& data = *main.datMovieQuery();
        MovieGrid& grid = *main.dbgMovie();
        if (!data.IsOpen())
            return;
        store::Recordset& before = data.Recordset();
        QVariant mark;
        if (grid.Row() >= 0 && grid.Row() < before.RecordCount()) {
            before.SetAbsolutePosition(grid.Row());
            mark = before.Bookmark();
        }
        data.SetFilter(typed);
        data.Refresh();
        store::Recordset& set = data.Recordset();
        if (set.RecordCount() == 0) {
            main.dbgMovie_RowColChange(); // empty labels, no error
        } else {
            // Narrowing keeps the movie when it is among the first rows read, as reading every
            // match to look for it would cost the keystroke; clearing the box keeps it wherever.
            if (mark.isValid())
                set.SetBookmark(mark, !data.IsFiltered());
            const int row = int(qMax<qint64>(0, set.AbsolutePosition()));
            if (grid.Row() == row)
                main.dbgMovie_RowColChange();
            else
                grid.SetRow(row);
        }
        main.SelectMovie();
    });
}

} // namespace main_window
