#include "main_window/DeleteMovie.h"

#include "loans/frmLend.h"
#include "main_window/DataControl.h"
#include "main_window/MovieGrid.h"
#include "main_window/frmMain.h"
#include "shell/ErrorReport.h"
#include "shell/Toolkit.h"
#include "store/Catalogue.h"
#include "store/Credits.h"
#include "store/Recordset.h"

#include <array>

namespace main_window {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// Whether the statement yields any row; stops at the first, since only emptiness matters.
bool Exists(const store::Connection& db, const QString& sql, qint64 key)
{
    store::Statement q(db, sql);
    q.bind(1, key);
    return q.step();
}

void DeleteOrphanedCredit(const store::Connection& db, const store::Credit& credit, qint64 key)
{
    const QString keyColumn = L(credit.key);
    if (Exists(db,
               QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Title] WHERE [") + keyColumn + QStringLiteral("] = ?"),
               key))
        return;
    store::Recordset row(db,
                         QStringLiteral("SELECT * FROM [") + L(credit.table) + QStringLiteral("] WHERE [") + keyColumn +
                             QStringLiteral("] = ?"),
                         {key});
    // A key pointing at no row is simply skipped. The name test is case-sensitive on purpose.
    if (row.RecordCount() == 1 && row.Value(L(credit.name)).toString() != QLatin1String("Unknown"))
        row.Delete();
    row.Close();
}

void DeleteCast(const store::Connection& db, qint64 movieId)
{
    store::Recordset links(db, QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Movie_ID] = ?"), {movieId});
    for (; !links.Eof(); links.MoveNext()) {
        const qint64 actorId = links.Value(QStringLiteral("Actor_ID")).toLongLong();
        links.Delete();
        if (Exists(db, QStringLiteral("SELECT * FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = ?"), actorId))
            continue;
        store::Recordset actor(db, QStringLiteral("SELECT * FROM [tbl_Actor] WHERE [Actor_ID] = ?"), {actorId});
        if (!actor.Eof())
            actor.Delete();
        actor.Close();
    }
    links.Close();
}

qint64 CountMovies(const store::Connection& db)
{
    store::Statement all(db, QStringLiteral("SELECT count(*) FROM [tbl_Movie_Title]"));
    return all.step() ? all.column(0).toLongLong() : 0;
}

} // namespace

bool DeleteMovieRecord(store::Connection& db, qint64 movieId)
{
    store::Transaction unit(db);
    store::Recordset movie(db, QStringLiteral("SELECT * FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"), {movieId});
    if (movie.Eof())
        return false;
    std::array<QVariant, store::kCredits.size()> keys;
    for (std::size_t i = 0; i < store::kCredits.size(); ++i)
        keys[i] = movie.Value(QLatin1Char('[') + L(store::kCredits[i].key) + QLatin1Char(']'));
    movie.Close();

    store::Statement del(db, QStringLiteral("DELETE FROM [tbl_Movie_Title] WHERE [Movie_ID] = ?"));
    del.bind(1, movieId);
    del.run();
    for (std::size_t i = 0; i < store::kCredits.size(); ++i) {
        if (!keys[i].isNull())
            DeleteOrphanedCredit(db, store::kCredits[i], keys[i].toLongLong());
    }
    DeleteCast(db, movieId);
    unit.commit();
    return true;
}

bool DeleteCurrentMovie(frmMain& main)
{
    bool deleted = false;
    shell::Guarded([&] {
        // A lent movie names its borrower, so the user knows what the delete would forget.
        QString question = loans::DeleteQuestion(main.CurrentMovieId());
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
