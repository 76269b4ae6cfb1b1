#pragma once

#include <QtGlobal>

namespace reports {

// Where a running report shows how far it has come. The picker is the one real display; with no
// picker open the numbers go nowhere.
class ReportProgress
{
public:
    virtual ~ReportProgress() = default;
    virtual void SetTotal(qint64 total) = 0;     // Label4
    virtual void SetCurrent(qint64 current) = 0; // Label2
    virtual void Refresh() = 0;                  // repaint at once, the event loop is not running
};

// The display reports write to now; never null.
ReportProgress& Progress();

// Installs a display, or restores the silent one with nullptr.
void SetProgress(ReportProgress* progress);

} // namespace reports
