#include "find/SortOrder.h"

#include "store/Credits.h"

#include <functional>

namespace find {

namespace {

const char* const kOwnColumns[] = {"Length", "Year_Released", "Grade", "Rating", "Widescreen"};

QString L(const char* text)
{
    return QString::fromLatin1(text);
}

// The credit of a grid column; null for another column.
const store::Credit* creditNamed(const QString& field)
{
    for (const store::Credit& c : store::kCredits)
        if (field.compare(L(c.name), Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// The condition again, its parameters numbered as its first writing takes them, so a statement
// holding it twice binds its values once.
QString again(const QString& condition)
{
    QString out;
    int n = 0;
    for (qsizetype i = 0; i < condition.size(); ++i) {
        out += condition[i];
        if (condition[i] == QLatin1Char('?') && (i + 1 == condition.size() || !condition[i + 1].isDigit()))
            out += QString::number(++n);
    }
    return out;
}

} // namespace

store::SortedKeys SortedKeysSql(const QString& field, const QString& where, const QString& probe)
{
    const auto also = [](const QString& condition, const char* glue) -> QString {
        return condition.isEmpty() ? QString() : QLatin1String(glue) + QLatin1Char('(') + condition + QLatin1Char(')');
    };
    const QString from = QStringLiteral(" FROM [tbl_Movie_Title]");
    std::function<QString(const QString&, bool)> keys;
    if (const store::Credit* c = creditNamed(field)) {
        // The names in their index's order and each name's movies in the order of the index of the
        // credit's key and title: names and titles compare without regard to case, as their columns
        // are declared, and movies of two rows of one name come a row at a time. The movies whose
        // key names no row (an import adds the row after them) come first, as a name of none, by
        // key and title.
        const QString table = L(c->table), key = L(c->key), name = L(c->name);
        keys = [=](const QString& condition, bool back) -> QString {
            // Each part read in its own order (the limit keeps the engine to it), one after the other;
            // backwards, the named part comes first. Both write the condition numbered, as either
            // may come first.
            const QString desc = back ? QStringLiteral(" DESC") : QString();
            const QString none =
                QStringLiteral("SELECT [Movie_ID] FROM (SELECT m.[Movie_ID] FROM [tbl_Movie_Title] AS m WHERE m.[%2] "
                               "NOT IN (SELECT [%2] FROM [%1])%4 ORDER BY m.[%2]%3, m.[Movie_Title]%3, "
                               "m.[Movie_ID]%3 LIMIT -1)")
                    .arg(table, key, desc, also(again(condition), " AND "));
            const QString named =
                QStringLiteral("SELECT [Movie_ID] FROM (SELECT m.[Movie_ID] FROM [%1] AS n CROSS JOIN "
                               "[tbl_Movie_Title] AS m ON m.[%2] = n.[%2]%5 ORDER BY n.[%3]%4, n.[%2]%4, "
                               "m.[Movie_Title]%4, m.[Movie_ID]%4 LIMIT -1)")
                    .arg(table, key, name, desc, also(again(condition), " WHERE "));
            return back ? named + QStringLiteral(" UNION ALL ") + none : none + QStringLiteral(" UNION ALL ") + named;
        };
    } else {
        QString order;
        if (field.compare(QLatin1String("Movie_Title"), Qt::CaseInsensitive) == 0)
            order = QStringLiteral("[Movie_Title]");
        for (const char* column : kOwnColumns)
            if (field.compare(L(column), Qt::CaseInsensitive) == 0)
                order = QStringLiteral("[%1], [Movie_Title]").arg(L(column));
        if (order.isEmpty())
            return {};
        keys = [=](const QString& condition, bool back) -> QString {
            // The key last, as the indexes hold it, so every statement gives ties the same order
            // and the order backwards is exactly the order reversed.
            QString by = order + QStringLiteral(", [Movie_ID]");
            if (back)
                by.replace(QLatin1String("]"), QLatin1String("] DESC"));
            return QStringLiteral("SELECT [Movie_ID]") + from + also(condition, " WHERE ") +
                   QStringLiteral(" ORDER BY ") + by;
        };
    }
    const QString test = probe.isEmpty() ? where : probe;
    return {keys(where, false),
            QStringLiteral("SELECT count(*)") + from + also(where, " WHERE "),
            QStringLiteral("SELECT 1") + from + also(test, " WHERE ") +
                (test.isEmpty() ? QStringLiteral(" WHERE") : QStringLiteral(" AND")) +
                QStringLiteral(" [Movie_ID] = ?"),
            probe.isEmpty() ? QString() : keys(probe, false),
            keys(where, true),
            probe.isEmpty() ? QString() : keys(probe, true),
            {}};
}

} // namespace find
