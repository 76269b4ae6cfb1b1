#include "cast/ActorName.h"

namespace cast {

QString ActorDisplayName(const QString& lastName, const QString& firstName)
{
    return QString(lastName + QStringLiteral(", ") + firstName);
}

} // namespace cast
