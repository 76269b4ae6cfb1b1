#include "find/FindSchema.h"

#include "store/Credits.h"

#include <QRegularExpression>

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

// Each trigger body is one short statement: every connection parses every trigger when it first
// reads the catalogue, and every statement that fires one compiles it.
QString trigger(const QString& name, const QString& when, const QString& table, const QString& body)
{
    return QStringLiteral("CREATE TRIGGER [%1] AFTER %2 ON [%3] BEGIN\n%4;\nEND").arg(name, when, table, body);
}

// The cast's display names of the movie `movie`, as one text.
QString castOf(const QString& movie)
{
    return QStringLiteral(
               "(SELECT group_concat(ifnull(a.[Actor_Last_Name], '') || ', ' || ifnull(a.[Actor_First_Name], "
               "''), '; ') FROM [tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] AS a ON a.[Actor_ID] = "
               "j.[Actor_ID] WHERE j.[Movie_ID] = %1)")
        .arg(movie);
}

// Sets one column of the documents of `keys` (a list or SELECT of Movie_IDs) to `value`.
QString setDocuments(const QString& column, const QString& value, const QString& keys)
{
    return QStringLiteral("UPDATE [tbl_Find_Document] SET [%1] = %2 WHERE [Movie_ID] IN (%3)").arg(column, value, keys);
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
                          "m.[Rating] AS [Rating], %1 AS [Actor] FROM [tbl_Movie_Title] AS m")
               .arg(castOf(QStringLiteral("m.[Movie_ID]"))) +
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

    // The document table carries every change into both indexes.
    const QString cols = columnList();
    QString in, out;
    for (const QString& fts : {kWordsTable, kTrigramTable}) {
        in += QStringLiteral("INSERT INTO [%1] (rowid, %2) VALUES (new.[Movie_ID], %3);\n")
                  .arg(fts, cols, columnList(QStringLiteral("new.")));
        out += QStringLiteral("INSERT INTO [%1] ([%1], rowid, %2) VALUES ('delete', old.[Movie_ID], %3);\n")
                   .arg(fts, cols, columnList(QStringLiteral("old.")));
    }
    const auto documentTrigger = [&](const char* name, const char* when, const QString& body) {
        sql << QStringLiteral("CREATE TRIGGER [trg_Find_Document_%1] AFTER %2 ON [tbl_Find_Document] BEGIN\n%3END")
                   .arg(L(name), L(when), body);
    };
    documentTrigger("Insert", "INSERT", in);
    documentTrigger("Delete", "DELETE", out);
    documentTrigger("Update", "UPDATE", out + in);

    const QString movies = QStringLiteral("tbl_Movie_Title");
    const QString read = QStringLiteral("INSERT INTO [tbl_Find_Document] SELECT * FROM [qry_Find_Document] "
                                        "WHERE [Movie_ID] = new.[Movie_ID]");
    const QString drop = QStringLiteral("DELETE FROM [tbl_Find_Document] WHERE [Movie_ID] = old.[Movie_ID]");
    sql << trigger(QStringLiteral("trg_Find_Movie_Insert"), QStringLiteral("INSERT"), movies, read);
    sql << trigger(QStringLiteral("trg_Find_Movie_Update"), QStringLiteral("UPDATE"), movies,
                   drop + QStringLiteral(";\n") + read);
    sql << trigger(QStringLiteral("trg_Find_Movie_Delete"), QStringLiteral("DELETE"), movies, drop);
    // A lookup row's name shows in the document of every movie that points at it; an import may
    // add the row after its movies.
    for (const store::Credit& c : store::kCredits) {
        const QString table = L(c.table), key = L(c.key), name = L(c.name);
        const QString value = QStringLiteral("(SELECT t.[%1] FROM [tbl_Movie_Title] AS m JOIN [%2] AS t ON t.[%3] = "
                                             "m.[%3] WHERE m.[Movie_ID] = [tbl_Find_Document].[Movie_ID])")
                                  .arg(name, table, key);
        const auto keyed = [&](const char* rows) {
            return setDocuments(name, value,
                                QStringLiteral("SELECT [Movie_ID] FROM [tbl_Movie_Title] WHERE [%1] IN (%2)")
                                    .arg(key, QString::fromLatin1(rows).arg(key)));
        };
        sql << trigger(QStringLiteral("trg_Find_%1_Insert").arg(table), QStringLiteral("INSERT"), table,
                       keyed("new.[%1]"));
        sql << trigger(QStringLiteral("trg_Find_%1_Update").arg(table), QStringLiteral("UPDATE"), table,
                       keyed("old.[%1], new.[%1]"));
        sql << trigger(QStringLiteral("trg_Find_%1_Delete").arg(table), QStringLiteral("DELETE"), table,
                       keyed("old.[%1]"));
    }
    const QString cast = castOf(QStringLiteral("[tbl_Find_Document].[Movie_ID]"));
    const QString actor = QStringLiteral("tbl_Actor"), links = QStringLiteral("tbl_Actor_Movie_Join");
    const QString moviesOfActor =
        QStringLiteral("SELECT [Movie_ID] FROM [tbl_Actor_Movie_Join] WHERE [Actor_ID] IN (%1)");
    sql << trigger(QStringLiteral("trg_Find_Actor_Update"), QStringLiteral("UPDATE"), actor,
                   setDocuments(QStringLiteral("Actor"), cast,
                                moviesOfActor.arg(QStringLiteral("old.[Actor_ID], new.[Actor_ID]"))));
    sql << trigger(QStringLiteral("trg_Find_Actor_Delete"), QStringLiteral("DELETE"), actor,
                   setDocuments(QStringLiteral("Actor"), cast, moviesOfActor.arg(QStringLiteral("old.[Actor_ID]"))));
    sql << trigger(QStringLiteral("trg_Find_Cast_Insert"), QStringLiteral("INSERT"), links,
                   setDocuments(QStringLiteral("Actor"), cast, QStringLiteral("new.[Movie_ID]")));
    sql << trigger(QStringLiteral("trg_Find_Cast_Update"), QStringLiteral("UPDATE"), links,
                   setDocuments(QStringLiteral("Actor"), cast, QStringLiteral("old.[Movie_ID], new.[Movie_ID]")));
    sql << trigger(QStringLiteral("trg_Find_Cast_Delete"), QStringLiteral("DELETE"), links,
                   setDocuments(QStringLiteral("Actor"), cast, QStringLiteral("old.[Movie_ID]")));
    return sql;
}

QStringList FillIndexSql()
{
    return {QStringLiteral("INSERT INTO [tbl_Find_Document] SELECT * FROM [qry_Find_Document] "
                           "WHERE [Movie_ID] BETWEEN ?1 AND ?2")};
}

QStringList CatalogueTriggerSql()
{
    // Those on tbl_Find_Document carry the documents into the indexes and stay.
    return CreateIndexSql().filter(QRegularExpression(QStringLiteral("^CREATE TRIGGER \\[trg_Find_(?!Document_)")));
}

QStringList DropCatalogueTriggerSql()
{
    QStringList sql;
    for (const QString& create : CatalogueTriggerSql())
        sql << QStringLiteral("DROP TRIGGER ") + create.section(QLatin1Char(' '), 2, 2);
    return sql;
}

} // namespace find
