#include "main_window/DeleteMovie.h"

#include "catalog/MovieWriter.h"
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/ErrorReport.h"
#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Credits.h"
#include "store/Recordset.h"

#include <array>

namespace main_window {

namespace {

qint64 CountMovies(const store::Connection& db)
{
    store::Statement all(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    return all.step() ? all.column(0).toLongLong() : 0;
}

} // namespace

bool DeleteMovieRecord(store::Connection& db, qint64 movieId)
{
    store::Transaction unit(db);
    if (!catalog::MovieWriter(db).Delete(movieId))
        return false;
    unit.commit();
    return true;
}

bool DeleteCurrentMovie(frmMain& main)
{
    bool deleted = false;
    shell::Guarded([&] {
        // A lent movie names its borrower, so the user knows what the delete would forget.
        QString question;
        for (const shell::DeleteQuestion& asked : shell::DeleteQuestions())
            if (question.isEmpty())
                question = asked(main.datMovieQuery()->Database(), main.CurrentMovieId());
        if (question.isEmpty())
            question = QStringLiteral("Are you sure you want to delete this movie?");
        if (shell::MsgBox(question, shell::vbYesNo | shell::vbExclamation, shell::kAppCaption) == shell::vbNo)
            return;
        DataControl& data = *main.datMovieQuery();
        MovieGrid& grid = *main.dbgMovie();
        store::Recordset& set = data.Recordset();
        const int row = grid.Row();
        if (row < 0 || row >= set.RecordCount())
            return; // no movie is selected, so there is nothing to delete
        // The rule is about the catalogue, not the movies the find box shows.
        const qint64 movies = data.IsFiltered() ? CountMovies(data.Database()) : set.RecordCount();
        if (movies == 1) {
            shell::MsgBox(QStringLiteral("There has to be at least 1 record in the database at all times.") +
                              shell::kCrLf + QStringLiteral("So you cannot delete this record at this time."),
                          shell::vbOKOnly | shell::vbInformation, shell::kAppCaption);
            return;
        }
        // The grid's row names the movie by key: titles need not be unique.
        set.SetAbsolutePosition(row);
        const qint64 movieId = set.Value(QStringLiteral("Movie_ID")).toLongLong();

        store::Connection db = store::OpenDatabase();
        try {
            deleted = DeleteMovieRecord(db, movieId);
        } catch (const store::StoreError& e) {
            if (e.isBusy())
                shell::ShowStoreError(e);
            else
                shell::MsgBox(QStringLiteral("The movie could not be deleted, so the catalogue was left as it was.") +
                                  shell::kCrLf + e.message(),
                              shell::vbCritical, shell::kAppCaption);
        }

        // Re-read in every case, so the grid shows what the catalogue really holds.
        data.Requery();
        const int count = data.rowCount();
        if (count > 0) {
            const int target = qMin(row, count - 1);
            if (grid.Row() == target)
                main.dbgMovie_RowColChange();
            else
                grid.SetRow(target);
        }
        main.SelectMovie();
    });
    return deleted;
}

} // namespace main_window
