#include "find/FindSchema.h"

#include "store/Credits.h"

#include <QRegularExpression>
#include <utility>
#include <vector>

namespace find {

namespace {

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// One table whose rows are values of the index: its key and each column's value, written with %1
// for the row ("new.", "old." or nothing), and a condition a row must meet to be indexed.
struct Part
{
    int kind;
    QString table;
    QString key;
    std::vector<std::pair<QString, QString>> values;
    QString only;
    QStringList keyColumns; // whose change moves the row in the index
    QString lookup;         // the row whose key is %2, for row %1
};

QString actorText(const QString& row)
{
    return QStringLiteral("ifnull(%1[Actor_Last_Name], '') || ', ' || ifnull(%1[Actor_First_Name], '')").arg(row);
}

const std::vector<Part>& parts()
{
    static const std::vector<Part> all = [] {
        std::vector<Part> p;
        const QString byMovie = QStringLiteral("%1[Movie_ID] = %2");
        Part title{kTitleKind,
                   QStringLiteral("tbl_Movie_Title"),
                   QStringLiteral("%1[Movie_ID]"),
                   {},
                   {},
                   {QStringLiteral("Movie_ID")},
                   byMovie};
        for (const char* c : {"Movie_Title", "Year_Released", "Length", "Grade", "Rating"})
            title.values.emplace_back(L(c), QStringLiteral("%1[") + L(c) + QLatin1Char(']'));
        p.push_back(title);
        p.push_back({kDetailsKind,
                     QStringLiteral("tbl_Movie_Details"),
                     QStringLiteral("%1[Movie_ID]"),
                     {{QStringLiteral("Original_Title"), QStringLiteral("%1[Original_Title]")},
                      {QStringLiteral("Plot"), QStringLiteral("%1[Plot]")}},
                     {},
                     {QStringLiteral("Movie_ID")},
                     byMovie});
        int kind = kFirstCreditKind;
        for (const store::Credit& c : store::kCredits)
            p.push_back({kind++,
                         L(c.table),
                         QStringLiteral("%1[") + L(c.key) + QLatin1Char(']'),
                         {{L(c.name), QStringLiteral("%1[") + L(c.name) + QLatin1Char(']')}},
                         {},
                         {L(c.key)},
                         QStringLiteral("%1[") + L(c.key) + QStringLiteral("] = %2")});
        p.push_back({kActorKind,
                     QStringLiteral("tbl_Actor"),
                     QStringLiteral("%1[Actor_ID]"),
                     {{QStringLiteral("Actor"), actorText(QStringLiteral("%1"))}},
                     {},
                     {QStringLiteral("Actor_ID")},
                     QStringLiteral("%1[Actor_ID] = %2")});
        // Keys too large to share one index key are left out; no catalogue comes near them.
        p.push_back({kCharacterKind,
                     QStringLiteral("tbl_Cast_Character"),
                     QStringLiteral("(%1[Movie_ID] << ") + QString::number(kCharacterActorBits) +
                         QStringLiteral(" | %1[Actor_ID])"),
                     {{QStringLiteral("Character"), QStringLiteral("%1[Character]")}},
                     QStringLiteral("%1[Actor_ID] BETWEEN 0 AND ") +
                         QString::number((qint64(1) << kCharacterActorBits) - 1) +
                         QStringLiteral(" AND %1[Movie_ID] BETWEEN 0 AND ") +
                         QString::number((qint64(1) << (63 - kKindBits - kCharacterActorBits)) - 1),
                     {QStringLiteral("Movie_ID"), QStringLiteral("Actor_ID")},
                     QStringLiteral("%1[Movie_ID] = (%2 >> ") + QString::number(kCharacterActorBits) +
                         QStringLiteral(") AND %1[Actor_ID] = (%2 & ") +
                         QString::number((qint64(1) << kCharacterActorBits) - 1) + QLatin1Char(')')});
        return p;
    }();
    return all;
}

QString rowKey(const Part& part, const QString& row)
{
    return QStringLiteral("(%1 << %2 | %3)").arg(QString(part.key).arg(row)).arg(kKindBits).arg(part.kind);
}

QStringList columnsOf(const QString& table)
{
    QStringList columns;
    for (const QString& c : IndexColumns())
        if (table == kWordsTable || InTrigramIndex(c))
            columns << c;
    return columns;
}

// The part's values as `table` takes them, for the row: "[col], [col]" and their values.
std::pair<QString, QString> valuesFor(const Part& part, const QString& table, const QString& row)
{
    QStringList names, values;
    for (const auto& [column, value] : part.values)
        if (columnsOf(table).contains(column)) {
            names << QLatin1Char('[') + column + QLatin1Char(']');
            values << QString(value).arg(row);
        }
    return {names.join(QStringLiteral(", ")), values.join(QStringLiteral(", "))};
}

QString condition(const Part& part, const QString& row)
{
    return part.only.isEmpty() ? QString() : QStringLiteral(" WHERE ") + QString(part.only).arg(row);
}

// The statement entering (or, for "delete", taking out) the row's values in one index.
QString carry(const Part& part, const QString& table, const QString& row, bool remove)
{
    const auto [names, values] = valuesFor(part, table, row);
    return remove ? QStringLiteral("INSERT INTO [%1] ([%1], rowid, %2) SELECT 'delete', %3, %4%5")
                        .arg(table, names, rowKey(part, row), values, condition(part, row))
                  : QStringLiteral("INSERT INTO [%1] (rowid, %2) SELECT %3, %4%5")
                        .arg(table, names, rowKey(part, row), values, condition(part, row));
}

} // namespace

const QStringList& IndexColumns()
{
    static const QStringList columns = [] {
        QStringList c{QStringLiteral("Movie_Title")};
        for (const store::Credit& credit : store::kCredits)
            c << L(credit.name);
        c << QStringLiteral("Year_Released") << QStringLiteral("Length") << QStringLiteral("Grade")
          << QStringLiteral("Rating") << QStringLiteral("Actor") << QStringLiteral("Original_Title")
          << QStringLiteral("Plot") << QStringLiteral("Character");
        return c;
    }();
    return columns;
}

bool InTrigramIndex(const QString& column)
{
    return column != QLatin1String("Plot");
}

QStringList CreateIndexSql()
{
    QStringList sql;
    // What the indexes hold, row by row, for the engine's own rebuild and checks.
    QStringList rows;
    for (const Part& part : parts()) {
        QStringList values{rowKey(part, QString()) + QStringLiteral(" AS [Find_Key]")};
        for (const QString& column : IndexColumns()) {
            QString value = QStringLiteral("NULL");
            for (const auto& [name, expression] : part.values)
                if (name == column)
                    value = QString(expression).arg(QString());
            values << value + QStringLiteral(" AS [") + column + QLatin1Char(']');
        }
        rows << QStringLiteral("SELECT ") + values.join(QStringLiteral(", ")) + QStringLiteral(" FROM [") + part.table +
                    QLatin1Char(']') + condition(part, QString());
    }
    sql << QStringLiteral("CREATE VIEW [qry_Find_Value] AS ") + rows.join(QStringLiteral(" UNION ALL "));
    const auto list = [](const QStringList& columns) -> QString {
        return QStringLiteral("[") + columns.join(QStringLiteral("], [")) + QLatin1Char(']');
    };
    // No prefix indexes: the first keystrokes' one or two letters are read off the words' own
    // index (42 ms for every word starting "s" at 500,000 movies, against 10), where prefix indexes
    // would make the word index twice as large.
    sql << QStringLiteral("CREATE VIRTUAL TABLE [%1] USING fts5(%2, content='qry_Find_Value', "
                          "content_rowid='Find_Key', tokenize='unicode61 remove_diacritics 2', columnsize=0)")
               .arg(kWordsTable, list(columnsOf(kWordsTable)));
    sql << QStringLiteral("CREATE VIRTUAL TABLE [%1] USING fts5(%2, content='qry_Find_Value', "
                          "content_rowid='Find_Key', tokenize='trigram case_sensitive 0', columnsize=0)")
               .arg(kTrigramTable, list(columnsOf(kTrigramTable)));

    // Each value table carries its changes into both indexes.
    for (const Part& part : parts()) {
        QString in, out;
        for (const QString& table : {kWordsTable, kTrigramTable}) {
            in += carry(part, table, QStringLiteral("new."), false) + QStringLiteral(";\n");
            out += carry(part, table, QStringLiteral("old."), true) + QStringLiteral(";\n");
        }
        QStringList changing = part.keyColumns;
        for (const auto& [column, value] : part.values)
            if (column == QLatin1String("Actor"))
                changing << QStringLiteral("Actor_Last_Name") << QStringLiteral("Actor_First_Name");
            else
                changing << column;
        const auto trigger = [&](const QString& when, const QString& body) {
            sql << QStringLiteral("CREATE TRIGGER [trg_Find_%1_%2] AFTER %3 ON [%1] BEGIN\n%4END")
                       .arg(part.table, when.section(QLatin1Char(' '), 0, 0).toLower(), when, body);
        };
        trigger(QStringLiteral("INSERT"), in);
        trigger(QStringLiteral("DELETE"), out);
        trigger(QStringLiteral("UPDATE OF ") + list(changing), out + in);
    }
    return sql;
}

QStringList FillIndexSql()
{
    QStringList sql;
    for (const Part& part : parts())
        for (const QString& table : {kWordsTable, kTrigramTable}) {
            const auto [names, values] = valuesFor(part, table, QString());
            sql << QStringLiteral("INSERT INTO [%1] (rowid, %2) SELECT %3, %4 FROM [%5]%6")
                       .arg(table, names, rowKey(part, QString()), values, part.table, condition(part, QString()));
        }
    return sql;
}

namespace {

const QString kTouched = QStringLiteral("find_touched");

QStringList triggerNames()
{
    QStringList names;
    for (const QString& sql : CreateIndexSql())
        if (sql.startsWith(QLatin1String("CREATE TRIGGER ")))
            names << sql.section(QLatin1Char(' '), 2, 2);
    return names;
}

} // namespace

QStringList BulkStartSql()
{
    QStringList sql;
    for (const QString& name : triggerNames())
        sql << QStringLiteral("DROP TRIGGER ") + name;
    QStringList columns;
    for (const QString& c : IndexColumns())
        columns << QLatin1Char('[') + c + QLatin1Char(']');
    sql << QStringLiteral("DROP TABLE IF EXISTS temp.[%1]").arg(kTouched)
        << QStringLiteral("CREATE TEMP TABLE [%1] ([Find_Key] INTEGER PRIMARY KEY, [Had] INTEGER, %2)")
               .arg(kTouched, columns.join(QStringLiteral(", ")));
    // Each value's first change in the run is noted with what the index holds of it then: the
    // values to take out at the end, or none when it was not indexed.
    for (const Part& part : parts()) {
        const auto [names, oldValues] = valuesFor(part, kWordsTable, QStringLiteral("old."));
        // Not INSERT OR IGNORE: the statement firing the trigger may impose its own conflict rule.
        const auto first = [&](const QString& row) {
            return QStringLiteral("NOT EXISTS (SELECT 1 FROM [%1] WHERE [Find_Key] = %2)")
                .arg(kTouched, rowKey(part, row));
        };
        const QString only = part.only.isEmpty() ? QString() : QString(part.only).arg(QStringLiteral("old."));
        const QString was =
            QStringLiteral("INSERT INTO [%1] ([Find_Key], [Had], %2) SELECT %3, 1, %4 WHERE %5%6;\n")
                .arg(kTouched, names, rowKey(part, QStringLiteral("old.")), oldValues, first(QStringLiteral("old.")),
                     only.isEmpty() ? QString() : QStringLiteral(" AND ") + only);
        const QString now = QStringLiteral("INSERT INTO [%1] ([Find_Key], [Had]) SELECT %2, 0 WHERE %3;\n")
                                .arg(kTouched, rowKey(part, QStringLiteral("new.")), first(QStringLiteral("new.")));
        const QString tag = QStringLiteral("trg_Find_Bulk_") + part.table;
        sql << QStringLiteral("CREATE TEMP TRIGGER [%1_insert] AFTER INSERT ON main.[%2] BEGIN\n%3END")
                   .arg(tag, part.table, now)
            << QStringLiteral("CREATE TEMP TRIGGER [%1_delete] AFTER DELETE ON main.[%2] BEGIN\n%3END")
                   .arg(tag, part.table, was)
            << QStringLiteral("CREATE TEMP TRIGGER [%1_update] AFTER UPDATE ON main.[%2] BEGIN\n%3%4END")
                   .arg(tag, part.table, was, now);
    }
    return sql;
}

QStringList BulkFinishSql()
{
    QStringList sql;
    for (const QString& table : {kWordsTable, kTrigramTable}) {
        const QStringList columns = columnsOf(table);
        const QString list = QLatin1Char('[') + columns.join(QStringLiteral("], [")) + QLatin1Char(']');
        sql << QStringLiteral("INSERT INTO [%1] ([%1], rowid, %2) SELECT 'delete', [Find_Key], %2 FROM [%3] WHERE "
                              "[Had] = 1")
                   .arg(table, list, kTouched);
        for (const Part& part : parts()) {
            const auto [names, values] = valuesFor(part, table, QStringLiteral("t."));
            const QString key = QStringLiteral("(k.[Find_Key] >> %1)").arg(kKindBits);
            const QString only = part.only.isEmpty() ? QString() : QString(part.only).arg(QStringLiteral("t."));
            sql << QStringLiteral("INSERT INTO [%1] (rowid, %2) SELECT %3, %4 FROM [%5] AS k JOIN main.[%6] AS t ON "
                                  "%7 WHERE (k.[Find_Key] & %8) = %9%10")
                       .arg(table, names, rowKey(part, QStringLiteral("t.")), values, kTouched, part.table,
                            QString(part.lookup).arg(QStringLiteral("t."), key))
                       .arg((1 << kKindBits) - 1)
                       .arg(part.kind)
                       .arg(only.isEmpty() ? QString() : QStringLiteral(" AND ") + only);
        }
    }
    for (const Part& part : parts())
        for (const char* when : {"insert", "delete", "update"})
            sql << QStringLiteral("DROP TRIGGER temp.[trg_Find_Bulk_%1_%2]").arg(part.table, QLatin1String(when));
    sql << QStringLiteral("DROP TABLE temp.[%1]").arg(kTouched);
    sql << CreateIndexSql().filter(QRegularExpression(QStringLiteral("^CREATE TRIGGER ")));
    return sql;
}

QString MoviesFoundSql(const QString& table)
{
    const QString kind = QStringLiteral("(r & %1)").arg((1 << kKindBits) - 1);
    const QString key = QStringLiteral("(r >> %1)").arg(kKindBits);
    QStringList arms;
    arms
        << QStringLiteral("SELECT %1 FROM [hit] WHERE %2 IN (%3, %4)").arg(key, kind).arg(kTitleKind).arg(kDetailsKind);
    arms << QStringLiteral("SELECT r >> %1 FROM [hit] WHERE %2 = %3")
                .arg(kKindBits + kCharacterActorBits)
                .arg(kind)
                .arg(kCharacterKind);
    arms << QStringLiteral("SELECT j.[Movie_ID] FROM [hit] CROSS JOIN [tbl_Actor_Movie_Join] AS j ON j.[Actor_ID] = "
                           "%1 WHERE %2 = %3")
                .arg(key, kind)
                .arg(kActorKind);
    QString credit = QStringLiteral("CASE %1").arg(kind);
    int k = kFirstCreditKind;
    for (const store::Credit& c : store::kCredits) {
        arms << QStringLiteral("SELECT m.[Movie_ID] FROM [hit] CROSS JOIN [tbl_Movie_Title] AS m ON m.[%1] = %2 "
                               "WHERE %3 = %4")
                    .arg(L(c.key), key, kind)
                    .arg(k);
        credit += QStringLiteral(" WHEN %1 THEN '%2'").arg(k++).arg(L(c.key));
    }
    credit += QStringLiteral(" END");
    // A credit's further names (a second director) name the movie as its first does.
    arms << QStringLiteral("SELECT x.[Movie_ID] FROM [hit] CROSS JOIN [tbl_Movie_More_Name] AS x ON x.[Credit] = %1 "
                           "AND x.[Name_ID] = %2 WHERE %3 BETWEEN %4 AND %5")
                .arg(credit, key, kind)
                .arg(kFirstCreditKind)
                .arg(kFirstCreditKind + int(store::kCredits.size()) - 1);
    return QStringLiteral("WITH [hit] (r) AS MATERIALIZED (SELECT rowid FROM [%1] WHERE [%1] MATCH ?) ").arg(table) +
           arms.join(QStringLiteral(" UNION ALL "));
}

QStringList CreateNamesVersionSql()
{
    QStringList credits{QStringLiteral("Movie_ID")};
    for (const store::Credit& c : store::kCredits)
        credits << L(c.key);
    const std::pair<const char*, QStringList> watched[] = {
        {"tbl_Movie_Title", credits},
        {"tbl_Actor_Movie_Join", {QStringLiteral("Actor_ID"), QStringLiteral("Movie_ID")}},
        {"tbl_Movie_More_Name", {QStringLiteral("Credit"), QStringLiteral("Name_ID"), QStringLiteral("Movie_ID")}}};
    QStringList sql{QStringLiteral("CREATE TABLE [%1] ([Version] INTEGER NOT NULL)").arg(kNamesVersionTable),
                    QStringLiteral("INSERT INTO [%1] ([Version]) VALUES (random())").arg(kNamesVersionTable)};
    const QString renew = QStringLiteral("UPDATE [%1] SET [Version] = random();\n").arg(kNamesVersionTable);
    for (const auto& [table, columns] : watched) {
        const QString name = QStringLiteral("trg_Names_Version_") + L(table);
        sql << QStringLiteral("CREATE TRIGGER [%1_insert] AFTER INSERT ON [%2] BEGIN\n%3END").arg(name, L(table), renew)
            << QStringLiteral("CREATE TRIGGER [%1_delete] AFTER DELETE ON [%2] BEGIN\n%3END")
                   .arg(name, L(table), renew);
        // A save writes every column again; only a value that differs counts.
        QStringList differs;
        for (const QString& c : columns)
            differs << QStringLiteral("old.[%1] IS NOT new.[%1]").arg(c);
        sql << QStringLiteral("CREATE TRIGGER [%1_update] AFTER UPDATE OF [%2] ON [%3] WHEN %4 BEGIN\n%5END")
                   .arg(name, columns.join(QStringLiteral("], [")), L(table), differs.join(QStringLiteral(" OR ")),
                        renew);
    }
    return sql;
}

QString CastText(const QString& movie)
{
    return QStringLiteral("(SELECT group_concat(%1, '; ') FROM [tbl_Actor_Movie_Join] AS j JOIN [tbl_Actor] AS a ON "
                          "a.[Actor_ID] = j.[Actor_ID] WHERE j.[Movie_ID] = %2)")
        .arg(actorText(QStringLiteral("a.")), movie);
}

} // namespace find
