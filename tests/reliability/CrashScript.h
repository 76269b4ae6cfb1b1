#pragma once

// What the crash child writes for a movie, shared with the test that checks it. Every save writes
// one of a few variants in full, so a half-written movie shows as a mix of two.
#include "store/Credits.h"

#include <QString>
#include <utility>
#include <vector>

namespace reliability {

inline constexpr int kVariants = 5;

struct Variant
{
    std::vector<std::pair<QString, QString>> controls; // editor control -> text typed
    std::vector<std::pair<QString, QString>> columns;  // qry_Movie_Title column -> value read back
};

inline Variant VariantOf(int v)
{
    // The ten credits in the order of store::kCredits, then four plain boxes.
    static const char* const controls[] = {"dbcDirector",        "dbcProducer", "dbcExecutiveProducer",
                                           "dbcComposer",        "dbcWriter",   "dbcScreenWriter",
                                           "dbcCinematographer", "dbcStudio",   "dbcGenre",
                                           "dbcFormat",          "txtLength",   "txtYear",
                                           "txtGrade",           "txtRating"};
    static const char* const plain[] = {"Length", "Year_Released", "Grade", "Rating"};
    const QString values[] = {QStringLiteral("1:3%1").arg(v), QStringLiteral("190%1").arg(v), QString(QChar(u'A' + v)),
                              QStringLiteral("R%1").arg(v)};
    Variant out;
    for (std::size_t i = 0; i < std::size(controls); ++i) {
        const QString column =
            QString::fromLatin1(i < store::kCredits.size() ? store::kCredits[i].name : plain[i - 10]);
        const QString value = i < store::kCredits.size() ? QStringLiteral("%1 %2").arg(column).arg(v) : values[i - 10];
        out.controls.emplace_back(QString::fromLatin1(controls[i]), value);
        out.columns.emplace_back(column, value);
    }
    return out;
}

} // namespace reliability
