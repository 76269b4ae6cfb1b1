#pragma once

#include <QString>

namespace scan {

// A shop's name for a disc ("Heat (Blu-ray + DVD, 2-Disc Special Edition) [Region B]") cut down to
// the film's own title, with the year when the name gives one.
struct CleanTitle
{
    QString title;
    QString year;
};
CleanTitle CleanProductTitle(const QString& product, const QString& brand = {});

} // namespace scan
