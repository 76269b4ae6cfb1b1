#pragma once

#include <QString>

namespace catalog {

// The codes printed on a disc's case: EAN-13, UPC-A (twelve digits, North America) and EAN-8.
enum class BarcodeKind { None, Ean13, UpcA, Ean8 };

struct Barcode
{
    BarcodeKind kind = BarcodeKind::None;
    QString digits; // the code's digits alone
    QString error;  // why it is not a code, in plain words; empty when it is one
    bool ok() const { return error.isEmpty(); }
};

// Reads a code as typed or scanned: blanks and hyphens between digits are dropped, the kind follows
// from the number of digits, and the last digit must be the check digit of the others.
Barcode ReadBarcode(const QString& typed);

// The check digit of the digits before it (all but the last of a code).
int CheckDigit(const QString& body);

} // namespace catalog
