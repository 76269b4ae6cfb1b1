#include "find/DetailWords.h"

#include "find/FindWords.h"

namespace find {

namespace {

// Any text holding the value, whatever its case.
QString containing(const QString& value)
{
    QString pattern = value;
    pattern.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + pattern + QLatin1Char('%');
}

FindWord textWord(const char* name, const char* rows)
{
    return {QLatin1String(name),
            [rows](const QString& value, const QString& keyColumn, std::vector<QVariant>& params) -> QString {
                params.emplace_back(containing(value));
                return keyColumn + QStringLiteral(" IN (") + QLatin1String(rows) + QLatin1Char(')');
            }};
}

} // namespace

void RegisterDetailWords()
{
    // What a movie holds beyond its row is found in its own tables: rarely asked for, and then the
    // tables are small beside the index of everything else.
    RegisterFindWord(textWord("plot", "SELECT [Movie_ID] FROM [tbl_Movie_Details] WHERE [Plot] LIKE ? ESCAPE '\\'"));
    RegisterFindWord(
        textWord("original", "SELECT [Movie_ID] FROM [tbl_Movie_Details] WHERE [Original_Title] LIKE ? ESCAPE '\\'"));
    RegisterFindWord(
        textWord("character", "SELECT [Movie_ID] FROM [tbl_Cast_Character] WHERE [Character] LIKE ? ESCAPE '\\'"));
    // A barcode is found by its first digits, through its index; a UPC-A and the EAN-13 written with a
    // 0 before it are one code.
    RegisterFindWord({QStringLiteral("barcode"),
                      [](const QString& value, const QString& keyColumn, std::vector<QVariant>& params) -> QString {
                          QString digits;
                          for (const QChar c : value)
                              if (c.isDigit())
                                  digits += c;
                          const QString typed = digits + QLatin1Char('*');
                          params.emplace_back(typed);
                          params.emplace_back(QLatin1Char('0') + typed);
                          params.emplace_back(digits.startsWith(QLatin1Char('0')) ? typed.mid(1) : typed);
                          return keyColumn +
                                 QStringLiteral(" IN (SELECT [Movie_ID] FROM [tbl_Movie_Barcode] WHERE "
                                                "[Barcode] GLOB ? OR [Barcode] GLOB ? OR [Barcode] GLOB ?)");
                      }});
}

} // namespace find
