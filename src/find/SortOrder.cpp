#include "find/SortOrder.h"

#include "store/Credits.h"

namespace find {

namespace {

const char* const kOwnColumns[] = {"Length", "Year_Released", "Grade", "Rating", "Widescreen"};

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// The credit name column of the find documents for a grid column, empty for another column.
QString creditName(const QString& field)
{
    for (const store::Credit& c : store::kCredits)
        if (field.compare(L(c.name), Qt::CaseInsensitive) == 0)
            return L(c.name);
    return {};
}

} // namespace

QStringList SortIndexSql()
{
    QStringList sql;
    for (const char* column : kOwnColumns)
        sql << QStringLiteral("CREATE INDEX [idx_Sort_%1] ON [tbl_Movie_Title] ([%1], [Movie_Title])").arg(L(column));
    // The documents' text compares as the movie table's does: without regard to case.
    for (const store::Credit& c : store::kCredits)
        sql << QStringLiteral("CREATE INDEX [idx_Sort_%1] ON [tbl_Find_Document] ([%1] COLLATE NOCASE, "
                              "[Movie_Title] COLLATE NOCASE)")
                   .arg(L(c.name));
    return sql;
}

store::SortedKeys SortedKeysSql(const QString& field, const QString& where, const QString& probe)
{
    QString table = QStringLiteral("tbl_Movie_Title");
    QString order;
    if (field.compare(QLatin1String("Movie_Title"), Qt::CaseInsensitive) == 0) {
        order = QStringLiteral("[Movie_Title]");
    } else if (const QString credit = creditName(field); !credit.isEmpty()) {
        table = QStringLiteral("tbl_Find_Document");
        order = QStringLiteral("[%1] COLLATE NOCASE, [Movie_Title] COLLATE NOCASE").arg(credit);
    } else {
        for (const char* column : kOwnColumns)
            if (field.compare(L(column), Qt::CaseInsensitive) == 0)
                order = QStringLiteral("[%1], [Movie_Title]").arg(L(column));
        if (order.isEmpty())
            return {};
    }
    const QString from = QStringLiteral(" FROM [%1]").arg(table);
    const auto only = [](const QString& condition) -> QString {
        return condition.isEmpty() ? QString() : QStringLiteral(" WHERE (") + condition + QLatin1Char(')');
    };
    const auto keys = [&](const QString& condition) -> QString {
        // The key last, as the indexes hold it, so every statement gives ties the same order.
        return QStringLiteral("SELECT [Movie_ID]") + from + only(condition) + QStringLiteral(" ORDER BY ") + order +
               QStringLiteral(", [Movie_ID]");
    };
    const QString test = probe.isEmpty() ? where : probe;
    return {keys(where),
            QStringLiteral("SELECT count(*)") + from + only(where),
            QStringLiteral("SELECT 1") + from + only(test) +
                (test.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND")) +
                QStringLiteral(" [Movie_ID] = ?"),
            probe.isEmpty() ? QString() : keys(probe),
            {}};
}

} // namespace find
