#pragma once

#include <QString>
#include <QStringList>

namespace find {

// The find index: one document per movie (title, the ten credit names, year, length, grade,
// rating and the cast's display names) in tbl_Find_Document, indexed twice. tbl_Find_Words
// (unicode61, diacritics removed, prefixes of one and two letters kept) finds words and word
// starts whatever their accents; tbl_Find_Trigram finds any three or more letters inside a
// value. Triggers keep both right after any change, whoever makes it.
inline const QString kWordsTable = QStringLiteral("tbl_Find_Words");
inline const QString kTrigramTable = QStringLiteral("tbl_Find_Trigram");

// The document's columns, which are also the fields a search can name.
const QStringList& DocumentColumns();

// Statements that create the tables, the document query and the triggers, with empty indexes.
// Any change to them is a change of the catalogue's layout and gets a schema version step; an
// upgrade also rebuilds a find index whose statements differ from these.
QStringList CreateIndexSql();

// Statements that fill the documents, and so both indexes, of the movies whose keys lie between
// the two bound parameters.
QStringList FillIndexSql();

// Statements that create, and that drop, the triggers keeping the documents up with the catalogue's
// tables. A bulk writer drops them in its transaction, fills the documents it touched with
// FillIndexSql() and creates them again.
QStringList CatalogueTriggerSql();
QStringList DropCatalogueTriggerSql();

} // namespace find
