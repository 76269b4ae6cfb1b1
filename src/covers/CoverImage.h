#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace covers {

// A cover as the catalogue keeps it: the picture, at most kPictureSide pixels on its longer side,
// and the thumbnail the quick-info panel shows, both JPEG or PNG.
struct Cover
{
    QByteArray picture;
    QByteArray thumbnail;
};

inline constexpr int kPictureSide = 1000;
inline constexpr int kThumbnailSide = 320;
inline constexpr qint64 kMaxFileBytes = 50LL * 1024 * 1024;
inline constexpr qint64 kMaxPixels = 40'000'000;

// What came of preparing a picture: a cover, or a message for the user that names the picture.
struct Prepared
{
    Cover cover;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// Makes a cover of the picture `data`, called `name` in messages. Refuses by the header, before
// decoding, what is not JPEG, PNG, WebP, GIF or BMP, a file over kMaxFileBytes and a picture over
// kMaxPixels; refuses a damaged or incomplete picture after. May take a while: call it off the
// user-interface thread. Thread-safe.
Prepared PrepareCover(const QByteArray& data, const QString& name);

// The pixels PrepareCover decodes for the picture, from its header: a large JPEG decodes scaled
// down; none for one it refuses before decoding.
qint64 DecodedPixels(const QByteArray& data);

// The same for a file: its size is checked before it is read.
Prepared PrepareCoverFile(const QString& path);

// The file's name as messages show it.
QString DisplayName(const QString& path);

} // namespace covers
