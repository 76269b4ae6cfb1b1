#include "catalog/Clock.h"

#include <atomic>

namespace catalog {

namespace {
std::atomic<qint64> g_day{0}; // a Julian day; 0 for the system's date
} // namespace

QDate Today()
{
    const qint64 day = g_day.load();
    return day ? QDate::fromJulianDay(day) : QDate::currentDate();
}

void SetToday(const QDate& day)
{
    g_day = day.isValid() ? day.toJulianDay() : 0;
}

} // namespace catalog
