#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class QIODevice;

namespace webpage {

inline constexpr int kCreditCount = 10;
// The longest side of a thumbnail in the page; larger pictures are scaled down.
inline constexpr int kThumbnailSide = 120;

struct CastMember
{
    QString name; // as the catalogue shows it, "Last, First": the find words search this text
    QString character;
};

// Who has the movie now; an empty borrower means it is in. The find words borrower:, loaned: and
// overdue: read these, so they are kept apart rather than as one sentence.
struct Loan
{
    QString borrower;
    QDate lent;
    QDate due;
};

// A movie as the page shows and finds it. Credits are in the catalogue's order (Director, Producer,
// Executive Producer, Composer, Writer, Screenwriter, Cinematographer, Studio, Genre, Format), each
// a list of names. Empty values are left out of the page.
struct MovieRecord
{
    QString title;
    std::array<QStringList, kCreditCount> credits;
    QString year, length, grade, rating;
    bool widescreen = false;
    std::vector<CastMember> cast;
    QString plot;
    QString personalRating;
    Loan loan;
    QByteArray thumbnail; // JPEG or PNG
};

// Fills the next movie to write; false when there are no more.
using NextMovie = std::function<bool(MovieRecord&)>;

// Writes the collection as one self-contained page to `out`, movie by movie as `next` gives them.
// Returns what went wrong, or an empty text when the page is whole.
QString WritePage(QIODevice& out, const QString& collection, const QDate& written, const NextMovie& next);

} // namespace webpage
