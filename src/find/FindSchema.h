#pragma once

#include <QString>
#include <QStringList>

namespace find {

// The find index holds each value once where the catalogue holds it once: a row per movie for its
// title, year, length, grade and rating; one per movie with details for its original title and plot;
// one per name of each credit's name table and per actor, which the movies reach through the keys
// the catalogue already indexes (a movie's credit columns, its more names, its cast links); one per
// cast link with a character. Two full-text tables read the values where they are (external
// content): tbl_Find_Words (unicode61, diacritics removed)
// finds words and word starts whatever their accents; tbl_Find_Trigram finds any three or more
// letters inside a value (plots, being prose, are left to the word index). Triggers on the value
// tables keep both right after any change, whoever makes it.
inline const QString kWordsTable = QStringLiteral("tbl_Find_Words");
inline const QString kTrigramTable = QStringLiteral("tbl_Find_Trigram");

// An index row's key is the value's own key shifted left by kKindBits, its kind in the low bits.
inline constexpr int kKindBits = 5;
enum Kind {
    kTitleKind = 0,       // key: Movie_ID
    kDetailsKind = 1,     // key: Movie_ID
    kFirstCreditKind = 2, // store::kCredits in order, key: the name table's key
    kActorKind = 12,      // key: Actor_ID
    kCharacterKind = 13,  // key: Movie_ID << 24 | Actor_ID
};
inline constexpr int kCharacterActorBits = 24;

// The index's columns, which are also the fields a search can name.
const QStringList& IndexColumns();
// Those the trigram index holds.
bool InTrigramIndex(const QString& column);

// Statements that create the tables, their content view and the triggers, with empty indexes.
// Any change to them is a change of the catalogue's layout and gets a schema version step; an
// upgrade also rebuilds a find index whose statements differ from these.
QStringList CreateIndexSql();

// Statements that fill both indexes from the catalogue's values, one value table each.
QStringList FillIndexSql();

// Many changes at once: BulkStartSql swaps the index's triggers for ones that only note which
// values changed (and what the index held of them), BulkFinishSql brings those values into both
// indexes at once and puts the triggers back. Both run inside the writer's transaction. The
// full-text engine writes its pending terms out at every savepoint, so following each row would
// cost a writer that saves each movie apart far more.
QStringList BulkStartSql();
QStringList BulkFinishSql();

// One statement giving the keys of the movies whose values the full-text query bound to it finds
// in `table` (a movie may come more than once).
QString MoviesFoundSql(const QString& table);

// The names in memory a common word reaches its movies through (FoundSet) are made from the
// movies' credit keys, their further names and the cast links alone. Triggers on those put a new
// random number in kNamesVersionTable at every change to them, whoever makes it, so a change to a
// grade or a title keeps the names; random rather than counted, so that a catalogue put back from a
// copy never shows a number it showed with other names. Not part of the index, whose rebuild it
// would otherwise trigger on upgrade.
inline const QString kNamesVersionTable = QStringLiteral("tbl_Names_Version");
QStringList CreateNamesVersionSql();

// The cast of the movie whose key is `movie`, as one text: "Ford, Harrison; Hamill, Mark".
QString CastText(const QString& movie);

} // namespace find
