#pragma once

#include <QString>

namespace cast {

// How every window shows an actor and how the cast windows find one again: last name, ", ", first
// name, neither trimmed. The catalogue's views build the very same text, so the two must not drift.
QString ActorDisplayName(const QString& lastName, const QString& firstName);

// Counts the actors whose display name sorts before the one bound, on the table's own display
// index: through the view the engine would build every name first.
QString ActorsBeforeSql();

} // namespace cast
