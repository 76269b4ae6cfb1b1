#include "cast/ActorName.h"

namespace cast {

QString ActorDisplayName(const QString& lastName, const QString& firstName)
{
    return QString(lastName + QStringLiteral(", ") + firstName);
}

QString ActorsBeforeSql()
{
    return QStringLiteral(
        "SELECT count(*) FROM [tbl_Actor] WHERE "
        "(ifnull([Actor_Last_Name], '') || ', ' || ifnull([Actor_First_Name], '')) COLLATE NOCASE < ?");
}

} // namespace cast
