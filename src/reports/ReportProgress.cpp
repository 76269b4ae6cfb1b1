#include "reports/ReportProgress.h"

namespace reports {

namespace {
class Silent final : public ReportProgress
{
public:
    void SetTotal(qint64) override {}
    void SetCurrent(qint64) override {}
    void Refresh() override {}
};

Silent g_silent;
ReportProgress* g_current = &g_silent;
} // namespace

ReportProgress& Progress()
{
    return *g_current;
}

void SetProgress(ReportProgress* progress)
{
    g_current = progress ? progress : &g_silent;
}

} // namespace reports
