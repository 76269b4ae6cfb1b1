#pragma once

#include "store/Sqlite.h"

#include <QString>

namespace store {

// The catalogue the commands open. Start-up decides where it lives and sets it once; empty until then.
void SetCataloguePath(const QString& path);
QString CataloguePath();

// Opens an existing catalogue for reading and writing; never creates a file. Throws StoreError
// with a message naming the file and the problem when it is missing, locked, read-only or foreign;
// for a damaged or foreign file the message tells how to put back the newest backup.
Connection OpenDatabase(const QString& path);
inline Connection OpenDatabase()
{
    return OpenDatabase(CataloguePath());
}

// Writes a fresh catalogue from the shipped schema. Refuses to touch an existing file.
void CreateCatalogue(const QString& path);

// The schema text as shipped.
QString SchemaSql();

} // namespace store
