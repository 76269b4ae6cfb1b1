#pragma once

// What the catalogue keeps for scanning: which movie holds a code, and the codes still to do.
// Throws store::StoreError; knows no window.

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace store {
class Connection;
}

namespace scan {

// The table of codes to do, made by the catalogue's upgrade.
QString CreateToDoSql();

// The movie holding the code, a UPC-A and its EAN-13 with a leading 0 being one code.
std::optional<qint64> MovieWithCode(const store::Connection& db, const QString& digits);

// A code scanned that found no movie yet, with what was learnt of it.
struct ToDo
{
    QString code;
    QString note; // the shop's name for it, or why it found nothing
};
std::vector<ToDo> CodesToDo(const store::Connection& db); // in the order they were kept
void KeepToDo(store::Connection& db, const ToDo& item);   // a code kept already has its note replaced
void DoneWith(store::Connection& db, const QString& code);

} // namespace scan
