#include "scan/ScanStore.h"

#include "store/Sqlite.h"

namespace scan {

namespace {
const auto S = [](const char* text) { return QString::fromUtf8(text); };

} // namespace

QString CreateToDoSql()
{
    return S("CREATE TABLE [tbl_Scan_ToDo] ([Barcode] TEXT PRIMARY KEY, [Note] TEXT NOT NULL DEFAULT '', "
             "[Kept] INTEGER NOT NULL)");
}

std::optional<qint64> MovieWithCode(const store::Connection& db, const QString& digits)
{
    // A UPC-A is the EAN-13 with a 0 before it; shops and scanners write either.
    QString other;
    if (digits.size() == 12)
        other = S("0") + digits;
    else if (digits.size() == 13 && digits.startsWith(QLatin1Char('0')))
        other = digits.mid(1);
    store::Statement q(db, S("SELECT [Movie_ID] FROM [tbl_Movie_Barcode] WHERE [Barcode] IN (?, ?) "
                             "ORDER BY [Movie_ID] LIMIT 1"));
    q.bindAll({digits, other.isEmpty() ? digits : other});
    if (q.step())
        return q.column(0).toLongLong();
    return std::nullopt;
}

std::vector<ToDo> CodesToDo(const store::Connection& db)
{
    std::vector<ToDo> items;
    store::Statement q(db, S("SELECT [Barcode], [Note] FROM [tbl_Scan_ToDo] ORDER BY [Kept], [Barcode]"));
    while (q.step())
        items.push_back({q.column(0).toString(), q.column(1).toString()});
    return items;
}

void KeepToDo(store::Connection& db, const ToDo& item)
{
    store::Statement q(db, S("INSERT INTO [tbl_Scan_ToDo] ([Barcode], [Note], [Kept]) VALUES (?, ?, ?) "
                             "ON CONFLICT ([Barcode]) DO UPDATE SET [Note] = excluded.[Note]"));
    q.bindAll({item.code, item.note, QDateTime::currentMSecsSinceEpoch()});
    q.run();
}

void DoneWith(store::Connection& db, const QString& code)
{
    store::Statement q(db, S("DELETE FROM [tbl_Scan_ToDo] WHERE [Barcode] = ?"));
    q.bindAll({code});
    q.run();
}

} // namespace scan
