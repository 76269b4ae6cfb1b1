#include "catalog/Barcode.h"

namespace catalog {

int CheckDigit(const QString& body)
{
    // From the right, the digits weigh 3, 1, 3, 1...: the same rule for all three kinds.
    int sum = 0;
    for (qsizetype i = body.size() - 1, weight = 3; i >= 0; --i, weight = 4 - weight)
        sum += body.at(i).digitValue() * int(weight);
    return (10 - sum % 10) % 10;
}

Barcode ReadBarcode(const QString& typed)
{
    Barcode code;
    const QString trimmed = typed.trimmed();
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            code.digits += c;
        else if (c != QLatin1Char(' ') && c != QLatin1Char('-'))
            return {BarcodeKind::None,
                    {},
                    QStringLiteral("\"%1\" is not a barcode: a barcode holds digits only.").arg(typed)};
    }
    switch (code.digits.size()) {
    case 13:
        code.kind = BarcodeKind::Ean13;
        break;
    case 12:
        code.kind = BarcodeKind::UpcA;
        break;
    case 8:
        code.kind = BarcodeKind::Ean8;
        break;
    default:
        return {BarcodeKind::None, code.digits,
                QStringLiteral("\"%1\" is not a barcode: an EAN-13 has 13 digits, a UPC-A 12 and an EAN-8 8; this "
                               "has %2.")
                    .arg(typed)
                    .arg(code.digits.size())};
    }
    const int expected = CheckDigit(code.digits.left(code.digits.size() - 1));
    if (code.digits.back().digitValue() != expected)
        code.error = QStringLiteral("\"%1\" is not a valid barcode: its last digit should be %2, so a digit was "
                                    "misread or mistyped.")
                         .arg(typed)
                         .arg(expected);
    return code;
}

} // namespace catalog
