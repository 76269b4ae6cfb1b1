#include "covers/CoverImage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>
#include <optional>

namespace covers {

namespace {

const QString kTakes = QStringLiteral("Reelkeeper takes JPEG, PNG, WebP, GIF and BMP pictures as covers.");

QString quoted(const QString& name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

Prepared refuse(const QString& text)
{
    return {{}, text};
}

Prepared damaged(const QString& name)
{
    return refuse(QStringLiteral("%1 could not be read: the picture is damaged or incomplete.").arg(quoted(name)));
}

Prepared tooLarge(const QString& name, qint64 bytes)
{
    return refuse(QStringLiteral("%1 is too large for a cover (%2 MB); a cover may be at most %3 MB.")
                      .arg(quoted(name))
                      .arg(bytes / (1024 * 1024))
                      .arg(kMaxFileBytes / (1024 * 1024)));
}

QByteArray encode(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    // PNG only where the picture is transparent: a cover photograph is many times smaller as JPEG.
    const bool png = image.hasAlphaChannel();
    QImageWriter writer(&buffer, png ? "png" : "jpeg");
    if (!png)
        writer.setQuality(88);
    writer.write(png ? image : image.convertToFormat(QImage::Format_RGB32));
    return out;
}

// A JPEG that stops early decodes without an error, its missing part grey; the marker that ends a
// whole one tells. Nothing in the coded data after the scan starts can look like it. The segments
// before the scan are stepped over by their lengths: a camera's thumbnail among them ends with the
// same marker, and a phone's moving photo carries its video after the end.
bool jpegComplete(const QByteArray& data)
{
    static const QByteArray end = QByteArrayLiteral("\xFF\xD9");
    qsizetype at = 2;
    while (at + 4 <= data.size() && uchar(data[at]) == 0xFF) {
        if (uchar(data[at + 1]) == 0xDA)
            return data.indexOf(end, at) >= 0;
        at += uchar(data[at + 1]) == 0xFF ? 1 : 2 + qFromBigEndian<quint16>(data.constData() + at + 2);
    }
    return data.indexOf(end, qMax<qsizetype>(0, data.size() - 4096)) >= 0; // segments not as expected
}

// So does a BMP; its header tells how long its pixels are, when they are not compressed.
bool bmpComplete(const QByteArray& data)
{
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(data.constData() + at); };
    if (data.size() < 34 || u32(14) < 40 || (u32(30) != 0 && u32(30) != 3))
        return data.size() >= 26;
    const qint64 width = qint32(u32(18)), height = qAbs(qint32(u32(22)));
    const qint64 bits = qFromLittleEndian<quint16>(data.constData() + 28);
    return u32(10) + (width * bits + 31) / 32 * 4 * height <= data.size();
}

} // namespace

QString DisplayName(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

namespace {

// A picture read as far as its header, with its reader set to decode it as a cover needs, or the
// reason it must not be decoded at all.
struct Header
{
    Header(const QByteArray& data, const QString& name);
    qint64 pixels() const; // what decoding it makes

    QByteArray bytes; // shared, not copied: the buffer only reads
    QBuffer buffer;
    QImageReader reader;
    QByteArray format;
    QSize size;
    bool asItCame = false;
    std::optional<Prepared> refusal;
};

Header::Header(const QByteArray& data, const QString& name) : bytes(data), buffer(&bytes)
{
    if (data.size() > kMaxFileBytes) {
        refusal = tooLarge(name, data.size());
        return;
    }
    // Qt's own cap (128 MB) would refuse a 40-million-pixel picture the pixel rule lets in.
    static const bool raised = (QImageReader::setAllocationLimit(512), true);
    Q_UNUSED(raised);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    format = reader.format();
    if (!QByteArrayList{"jpeg", "png", "webp", "gif", "bmp"}.contains(format)) {
        refusal = refuse(QStringLiteral("%1 is not a picture Reelkeeper can use. %2").arg(quoted(name), kTakes));
        return;
    }
    size = reader.size();
    if (!size.isValid()) {
        refusal = damaged(name);
        return;
    }
    if (qint64(size.width()) * size.height() > kMaxPixels) {
        refusal = refuse(QStringLiteral("%1 is too large for a cover (%2 × %3 pixels); a cover may have at most %4 "
                                        "million pixels.")
                             .arg(quoted(name))
                             .arg(size.width())
                             .arg(size.height())
                             .arg(kMaxPixels / 1'000'000));
        return;
    }
    if ((format == "jpeg" && !jpegComplete(data)) || (format == "bmp" && !bmpComplete(data))) {
        refusal = damaged(name);
        return;
    }
    const bool small = size.width() <= kPictureSide && size.height() <= kPictureSide;
    // A JPEG or PNG that needs no change is kept as it came, without a second loss of quality.
    asItCame = small && (format == "jpeg" || format == "png") &&
               reader.transformation() == QImageIOHandler::TransformationNone;
    const QSize thumbnail = size.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio);
    // A JPEG decodes smaller; any other picture the reader would scale as it came, a palette one into noise.
    if (!small && format == "jpeg")
        reader.setScaledSize(size.scaled(kPictureSide, kPictureSide, Qt::KeepAspectRatio));
    else if (asItCame && format == "jpeg" && thumbnail.width() < size.width())
        reader.setScaledSize(thumbnail); // only the thumbnail is made of it
}

qint64 Header::pixels() const
{
    if (refusal)
        return 0;
    const QSize scaled = reader.scaledSize();
    if (format != "jpeg" || !scaled.isValid())
        return qint64(size.width()) * size.height();
    // A JPEG decodes at a half, a quarter or an eighth of its size, the least that still covers the size asked.
    int d = 8;
    while (d > 1 && (size.width() / d < scaled.width() || size.height() / d < scaled.height()))
        d /= 2;
    return qint64((size.width() + d - 1) / d) * ((size.height() + d - 1) / d);
}

} // namespace

qint64 DecodedPixels(const QByteArray& data)
{
    return Header(data, QString()).pixels();
}

Prepared PrepareCover(const QByteArray& data, const QString& name)
{
    Header header(data, name);
    if (header.refusal)
        return *header.refusal;
    QImage image = header.reader.read();
    if (image.isNull())
        return damaged(name);
    // Scaled as it came, a palette or one-bit picture is dithered into noise: scale in true colour.
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.width() > kPictureSide || image.height() > kPictureSide)
        image = image.scaled(kPictureSide, kPictureSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    Cover cover;
    cover.picture = header.asItCame ? data : encode(image);
    cover.thumbnail =
        encode(image.width() > kThumbnailSide || image.height() > kThumbnailSide
                   ? image.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                   : image);
    if (cover.picture.isEmpty() || cover.thumbnail.isEmpty())
        return refuse(QStringLiteral("%1 could not be stored as a cover.").arg(quoted(name)));
    return {cover, {}};
}

Prepared PrepareCoverFile(const QString& path)
{
    const QString name = DisplayName(path);
    QFile file(path);
    const QFileInfo info(path);
    if (info.isFile() && info.size() > kMaxFileBytes)
        return tooLarge(name, info.size());
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return refuse(QStringLiteral("%1 could not be opened: %2").arg(quoted(name), file.errorString()));
    return PrepareCover(file.readAll(), name);
}

} // namespace covers
