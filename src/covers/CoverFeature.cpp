#include "covers/CoverFeature.h"

#include "covers/CoverSchema.h"
#include "covers/CoverView.h"
#include "covers/CoverWidgets.h"
#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Schema.h"
#include "store/Sqlite.h"

namespace covers {

namespace {

// The cover above "Starring:" at the panel's width; the cast list below gives way. A tall one keeps
// half the panel for the cast.
class CoverSection : public shell::PanelSection
{
public:
    CoverSection(QWidget* panel, std::function<void()> relayout) : m_cover(new PanelCover(panel))
    {
        QObject::connect(m_cover, &PanelCover::Changed, m_cover, std::move(relayout));
    }
    void Show(const store::Connection& db, qint64 movieId) override
    {
        if (movieId < 0)
            m_cover->Clear();
        else
            m_cover->Show(db, movieId);
    }
    double Place(double top, double width, double room) override
    {
        // Where the panel's other lines leave less than half an inch, the cover is left out rather than shown as a
        // smudge.
        constexpr double kSmallest = 720;
        const double height = room < kSmallest ? 0
                                               : shell::PixelsToTwipsY(m_cover->View()->HeightAt(
                                                     shell::TwipsToPixelsX(width), shell::TwipsToPixelsY(room)));
        shell::PlaceTwips(m_cover->View(), 120, top, width, height);
        m_cover->View()->setVisible(height > 0);
        return height > 0 ? height + 60 : 0;
    }

private:
    PanelCover* m_cover;
};

} // namespace

void RegisterFeature()
{
    store::RegisterSchemaStep({4,
                               QStringLiteral("covers"),
                               [](store::Connection& db, auto&, auto&) {
                                   for (const QString& sql : CreateCoverSql())
                                       db.exec(sql);
                               },
                               {}});
    shell::AddPanelSection(20, [](QWidget* panel, shell::Hub&, std::function<void()> relayout) {
        return std::make_unique<CoverSection>(panel, std::move(relayout));
    });
}

} // namespace covers
