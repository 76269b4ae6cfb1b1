#pragma once

// What the crash child types for a movie, shared with the test that checks it. Every save writes
// one of a few variants in full, so a half-written movie shows as a mix of two.
#include "store/Credits.h"

#include <QString>
#include <iterator>

namespace reliability {

inline constexpr int kVariants = 5;

// The ten credits in the order of store::kCredits, then four plain boxes.
inline constexpr const char* kControls[] = {"dbcDirector",        "dbcProducer", "dbcExecutiveProducer",
                                            "dbcComposer",        "dbcWriter",   "dbcScreenWriter",
                                            "dbcCinematographer", "dbcStudio",   "dbcGenre",
                                            "dbcFormat",          "txtLength",   "txtYear",
                                            "txtGrade",           "txtRating"};

// The qry_Movie_Title column a box is read back from, and what variant v types into it.
inline QString ColumnOf(std::size_t box)
{
    static const char* const plain[] = {"Length", "Year_Released", "Grade", "Rating"};
    return QString::fromLatin1(box < store::kCredits.size() ? store::kCredits[box].name : plain[box - 10]);
}

inline QString ValueOf(std::size_t box, int v)
{
    const QString plain[] = {QStringLiteral("1:3%1").arg(v), QStringLiteral("190%1").arg(v), QString(QChar(u'A' + v)),
                             QStringLiteral("R%1").arg(v)};
    return box < store::kCredits.size() ? QStringLiteral("%1 %2").arg(ColumnOf(box)).arg(v) : plain[box - 10];
}

} // namespace reliability
