#pragma once

#include <QString>
#include <QStringList>

namespace shell {

// Says that a run has the catalogue open, so the next start can tell whether the last one ended
// cleanly. One small file per run in the user's own data folder (beside the catalogue may not be
// writable), naming the process and the catalogue by path and by file identity. A file whose
// process has gone, left by a crash or a kill, is an unclean end of the catalogue it names, or of
// any catalogue when the one it names has moved away.
class RunMarker
{
public:
    explicit RunMarker(const QString& cataloguePath);
    ~RunMarker(); // the clean end
    RunMarker(const RunMarker&) = delete;
    RunMarker& operator=(const RunMarker&) = delete;

    // True after an unclean end, and when the folder cannot be used (nothing can be told then).
    bool UncleanBefore() const { return m_unclean; }
    // The catalogue was checked: the markers of the runs that ended uncleanly go.
    void Forget();

    // Overridable for tests through XDG_DATA_HOME, as every per-user data folder.
    static QString Folder();

private:
    QString m_own;
    QStringList m_stale;
    bool m_unclean = true;
};

} // namespace shell
