#include "find/FindSchema.h"

#include "store/Credits.h"

namespace find {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

QString columnList(const QString& prefix = {})
{
    QStringList out;
    for (const QString& c : DocumentColumns())
        out << prefix + QLatin1Char('[') + c + QLatin1Char(']');
    return out.join(QStringLiteral(", "));
}

// Reads the documents of `keys` (an SQL list or SELECT of Movie_IDs) afresh; the document
// table's own triggers carry the change into both indexes. Kept short: every connection parses
// every trigger when it first reads the catalogue.
QString reindex(const QString& keys)
{
    return QStringLiteral(
               "DELETE FROM [tbl_Find_Document] WHERE [Movie_ID] IN (%1);\n"
               "INSERT INTO [tbl_Find_Document] SELECT * FROM [qry_Find_Document] WHERE [Movie_ID] IN (%1);\n")
        .arg(keys);
}

QString trigger(const QString& name, const QString& when, const QString& table, const QString& keys)
{
    return QStringLiteral("CREATE TRIGGER [%1] AFTER %2 ON [%3] BEGIN\n%4END").arg(name, when, table, reindex(keys));
}

} // namespace

const QStringList& DocumentColumns()
{
    static const QStringList columns = [] {
        QStringList c{QStringLiteral("Movie_Title")};
        for (const store::Credit& credit : store::kCredits)
            c << L(credit.name);
        c << QStringLiteral("Year_Released") << QStringLiteral("Length") << QStringLiteral("Grade")
          << QStringLiteral("Rating") << QStringLiteral("Actor");
        return c;
    }();
    return columns;
}

QStringList CreateIndexSql()
{
    QStringList sql;
    QString doc = QStringLiteral("CREATE VIEW [qry_Find_Document] AS SELECT m.[Movie_ID] AS [Movie_ID], "
                                 "m.[Movie_Title] AS [Movie_Title]");
    QString joins;
    for (const store::Credit& c : store::kCredits) {
        doc += QStringLiteral(", [%1].[%2] AS [%2]").arg(L(c.table), L(c.name));
        joins += QStringLiteral(" LEFT JOIN [%1] ON [%1].[%2] = m.[%2]").arg(L(c.table), L(c.key));
    }
    doc += QStringLiteral(", m.[Year_Released] AS [Year_Released], m.[Length] AS [Length], m.[Grade] AS [Grade], "
                          "m.[Rating] AS [Rating], (SELECT group_concat(ifnull(a.[Actor_Last_Name], '') || ', ' || "
                          "ifnull(a.[Actor_First_Name], ''), '; ') FROM [tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] "
                          "AS a ON a.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_ID] = m.[Movie_ID]) AS [Actor] "
                          "FROM [tbl_Movie_Title] AS m") +
           joins;
    sql << doc;
    sql << QStringLiteral("CREATE TABLE [tbl_Find_Document] ([Movie_ID] INTEGER PRIMARY KEY, %1)").arg(columnList());
    // External content: the text is kept once, in tbl_Find_Document. Prefix indexes of one and two
    // letters answer the first keystrokes, which the trigram index cannot.
    sql << QStringLiteral(
               "CREATE VIRTUAL TABLE [%1] USING fts5(%2, content='tbl_Find_Document', "
               "content_rowid='Movie_ID', tokenize='unicode61 remove_diacritics 2', prefix='1 2', columnsize=0)")
               .arg(kWordsTable, columnList());
    sql << QStringLiteral("CREATE VIRTUAL TABLE [%1] USING fts5(%2, content='tbl_Find_Document', "
                          "content_rowid='Movie_ID', tokenize='trigram case_sensitive 0', columnsize=0)")
               .arg(kTrigramTable, columnList());

    const QString cols = columnList(), oldCols = columnList(QStringLiteral("old."));
    QString in, out;
    for (const QString& fts : {kWordsTable, kTrigramTable}) {
        in += QStringLiteral("INSERT INTO [%1] (rowid, %2) VALUES (new.[Movie_ID], %3);\n")
                  .arg(fts, cols, columnList(QStringLiteral("new.")));
        out += QStringLiteral("INSERT INTO [%1] ([%1], rowid, %2) VALUES ('delete', old.[Movie_ID], %3);\n")
                   .arg(fts, cols, oldCols);
    }
    sql << QStringLiteral("CREATE TRIGGER [trg_Find_Document_Insert] AFTER INSERT ON [tbl_Find_Document] BEGIN\n") +
               in + QStringLiteral("END");
    sql << QStringLiteral("CREATE TRIGGER [trg_Find_Document_Delete] AFTER DELETE ON [tbl_Find_Document] BEGIN\n") +
               out + QStringLiteral("END");

    sql << trigger(QStringLiteral("trg_Find_Movie_Insert"), QStringLiteral("INSERT"), QStringLiteral("tbl_Movie_Title"),
                   QStringLiteral("new.[Movie_ID]"));
    sql << trigger(QStringLiteral("trg_Find_Movie_Update"), QStringLiteral("UPDATE"), QStringLiteral("tbl_Movie_Title"),
                   QStringLiteral("old.[Movie_ID], new.[Movie_ID]"));
    sql << trigger(QStringLiteral("trg_Find_Movie_Delete"), QStringLiteral("DELETE"), QStringLiteral("tbl_Movie_Title"),
                   QStringLiteral("old.[Movie_ID]"));
    // A lookup row's name shows in the document of every movie that points at it; an import may
    // add the row after its movies.
    const auto moviesOf = [](const QString& column, const QString& row) {
        return QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Title] WHERE [%1] = %2.[%1]").arg(column, row);
    };
    const auto castOf = [](const QString& row) {
        return QStringLiteral("SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] = %1.[Actor_ID]")
            .arg(row);
    };
    for (const store::Credit& c : store::kCredits) {
        const QString table = L(c.table), key = L(c.key);
        sql << trigger(QStringLiteral("trg_Find_%1_Insert").arg(table), QStringLiteral("INSERT"), table,
                       moviesOf(key, QStringLiteral("new")));
        sql << trigger(QStringLiteral("trg_Find_%1_Update").arg(table), QStringLiteral("UPDATE"), table,
                       moviesOf(key, QStringLiteral("old")) + QStringLiteral(" UNION ") +
                           moviesOf(key, QStringLiteral("new")));
        sql << trigger(QStringLiteral("trg_Find_%1_Delete").arg(table), QStringLiteral("DELETE"), table,
                       moviesOf(key, QStringLiteral("old")));
    }
    sql << trigger(QStringLiteral("trg_Find_Actor_Update"), QStringLiteral("UPDATE"), QStringLiteral("tbl_Actor"),
                   castOf(QStringLiteral("old")) + QStringLiteral(" UNION ") + castOf(QStringLiteral("new")));
    sql << trigger(QStringLiteral("trg_Find_Actor_Delete"), QStringLiteral("DELETE"), QStringLiteral("tbl_Actor"),
                   castOf(QStringLiteral("old")));
    sql << trigger(QStringLiteral("trg_Find_Cast_Insert"), QStringLiteral("INSERT"),
                   QStringLiteral("tbl_Actor_Movie_Join"), QStringLiteral("new.[Movie_ID]"));
    sql << trigger(QStringLiteral("trg_Find_Cast_Update"), QStringLiteral("UPDATE"),
                   QStringLiteral("tbl_Actor_Movie_Join"), QStringLiteral("old.[Movie_ID], new.[Movie_ID]"));
    sql << trigger(QStringLiteral("trg_Find_Cast_Delete"), QStringLiteral("DELETE"),
                   QStringLiteral("tbl_Actor_Movie_Join"), QStringLiteral("old.[Movie_ID]"));
    return sql;
}

QStringList FillIndexSql()
{
    return {QStringLiteral("INSERT INTO [tbl_Find_Document] SELECT * FROM [qry_Find_Document] "
                           "WHERE [Movie_ID] BETWEEN ?1 AND ?2")};
}

} // namespace find
