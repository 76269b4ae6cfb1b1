#pragma once

#include "store/Sqlite.h"

#include <QString>

namespace store {

// The catalogue beside the program: program folder + "/Reelkeeper.mdb", built afresh on each call.
QString CataloguePath();

// Opens an existing catalogue for reading and writing; never creates a file. Throws StoreError
// with a message naming the file and the problem when it is missing, locked, read-only or foreign.
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
