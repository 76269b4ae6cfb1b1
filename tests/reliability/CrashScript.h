#pragma once

// What the crash child writes for a movie, shared with the test that checks it. Every save writes
// one of a few variants in full, so a half-written movie shows as a mix of two.
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
    static const char* const credits[][2] = {
        {"dbcDirector", "Director"},
        {"dbcProducer", "Producer"},
        {"dbcExecutiveProducer", "Executive_Producer"},
        {"dbcComposer", "Composer"},
        {"dbcWriter", "Writer"},
        {"dbcScreenWriter", "Screenwriter"},
        {"dbcCinematographer", "Cinematographer"},
        {"dbcStudio", "Studio"},
        {"dbcGenre", "Genre"},
        {"dbcFormat", "Format"},
    };
    Variant out;
    for (const auto& c : credits) {
        const QString name = QStringLiteral("%1 %2").arg(QString::fromLatin1(c[1])).arg(v);
        out.controls.emplace_back(QString::fromLatin1(c[0]), name);
        out.columns.emplace_back(QString::fromLatin1(c[1]), name);
    }
    const std::pair<const char*, const char*> plain[] = {
        {"txtLength", "Length"}, {"txtYear", "Year_Released"}, {"txtGrade", "Grade"}, {"txtRating", "Rating"}};
    const QString values[] = {QStringLiteral("1:3%1").arg(v), QStringLiteral("190%1").arg(v), QString(QChar(u'A' + v)),
                              QStringLiteral("R%1").arg(v)};
    for (std::size_t i = 0; i < std::size(plain); ++i) {
        out.controls.emplace_back(QString::fromLatin1(plain[i].first), values[i]);
        out.columns.emplace_back(QString::fromLatin1(plain[i].second), values[i]);
    }
    return out;
}

} // namespace reliability
