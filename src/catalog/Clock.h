#pragma once

#include <QDate>

namespace catalog {

// Today's date as every window and query takes it; tests set a day of their own.
QDate Today();
// An invalid date gives the system's date back.
void SetToday(const QDate& day);

} // namespace catalog
