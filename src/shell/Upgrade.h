#pragma once

#include <QString>

class QWidget;

namespace shell {

// Brings the catalogue's schema up to date before the window reads it, in the background behind a
// progress window that names what is being added, and tells the user what the upgrade had to tell.
// Throws store::StoreError (a cancelled upgrade among them), the catalogue left as it was.
void UpgradeCatalogue(QWidget* owner, const QString& path);

// From now on what an upgrade run by any opening of the catalogue has to tell is shown in a message
// box on the window's thread.
void TellUpgrades();

} // namespace shell
