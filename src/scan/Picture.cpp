#include "scan/Picture.h"

#include "catalog/Barcode.h"

#include <QPainter>
#include <QPolygon>
#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>
#include <ZXing/ReadBarcode.h>

namespace scan {

namespace {
constexpr int kMostCodes = 8;
}

QStringList CodesInPicture(const QImage& picture)
{
    if (picture.isNull())
        return {};
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::EAN13 | ZXing::BarcodeFormat::UPCA | ZXing::BarcodeFormat::EAN8);
    hints.setTryHarder(true);
    // The library's own turning (1.4) fails an assertion, ending the program, when a code turned a
    // quarter is seen on several lines; the picture is turned here instead. Upside down the lines
    // read backwards, which the reader tries by itself.
    hints.setTryRotate(false);
    // So one code is read at a time, and each read is painted over before the next is looked for.
    hints.setMaxNumberOfSymbols(1);
    QStringList codes;
    for (int turn : {0, 90}) {
        QImage grey = picture.transformed(QTransform().rotate(turn)).convertToFormat(QImage::Format_Grayscale8);
        for (int n = 0; n < kMostCodes; ++n) {
            const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
                                        int(grey.bytesPerLine()));
            const ZXing::Results found = ZXing::ReadBarcodes(view, hints);
            if (found.empty() || !found.front().isValid())
                break;
            const ZXing::Result& r = found.front();
            // The reader checks the check digit too; ours has the last word, as for a typed code.
            const catalog::Barcode code = catalog::ReadBarcode(QString::fromStdString(r.text()));
            if (code.ok() && !codes.contains(code.digits))
                codes.push_back(code.digits);
            // A linear code's place is the line it was read on: the bars above and below go too.
            QPolygon place;
            for (int k = 0; k < 4; ++k)
                place << QPoint(r.position()[k].x, r.position()[k].y);
            const QRect line = place.boundingRect();
            const int reach = std::max(line.height(), line.width() * 2 / 3);
            QPainter(&grey).fillRect(line.adjusted(-line.width() / 10, -reach, line.width() / 10, reach), Qt::white);
        }
        if (!codes.isEmpty())
            break;
    }
    return codes;
}

QImage PictureOfCode(const QString& digits, int width, int height)
{
    const catalog::Barcode code = catalog::ReadBarcode(digits);
    if (!code.ok())
        return {};
    const ZXing::BarcodeFormat format = code.kind == catalog::BarcodeKind::Ean13  ? ZXing::BarcodeFormat::EAN13
                                        : code.kind == catalog::BarcodeKind::UpcA ? ZXing::BarcodeFormat::UPCA
                                                                                  : ZXing::BarcodeFormat::EAN8;
    const ZXing::BitMatrix bits =
        ZXing::MultiFormatWriter(format).setMargin(10).encode(code.digits.toStdString(), width, height);
    QImage image(bits.width(), bits.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < bits.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < bits.width(); ++x)
            line[x] = bits.get(x, y) ? 0 : 255;
    }
    return image;
}

} // namespace scan
