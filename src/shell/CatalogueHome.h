#pragma once

#include <QString>

namespace shell {

// Decides where this user's catalogue lives, tells the store, and has failed backups told (see
// TellBackupFailures). Beside the program when its folder
// can be written; otherwise the user's own copy in the per-user data folder, made on the first start
// from the catalogue shipped beside the program (or from the schema). Returns the path; throws
// StoreError when the user's copy cannot be made.
QString SettleCatalogue();

} // namespace shell
