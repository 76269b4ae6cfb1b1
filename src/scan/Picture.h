#pragma once

#include <QImage>
#include <QStringList>

namespace scan {

// The EAN-13, UPC-A and EAN-8 codes a picture shows (a photo of a case, a screenshot), each once,
// as digits; none when it shows none. Thread-safe.
QStringList CodesInPicture(const QImage& picture);

// A picture of the code, `width` pixels wide, for the tests and for printing a label; null when
// the digits are no code of those kinds.
QImage PictureOfCode(const QString& digits, int width = 400, int height = 160);

} // namespace scan
