#include "movie_editor/DetailsSection.h"

#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Sqlite.h"

#include <QLabel>
#include <algorithm>
#include <cmath>

namespace movie_editor {

namespace {

class DetailsSection : public shell::PanelSection
{
public:
    DetailsSection(QWidget* panel, std::function<void()> relayout)
        : m_plot(new QLabel(panel)), m_rating(new QLabel(panel)), m_relayout(std::move(relayout))
    {
        m_plot->setObjectName(QStringLiteral("lblPlot"));
        m_plot->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_plot->setTextFormat(Qt::PlainText); // a plot is never markup
        m_plot->setWordWrap(true);
        m_rating->setObjectName(QStringLiteral("lblPersonalRating"));
        m_rating->setTextFormat(Qt::PlainText);
        m_rating->setToolTip(QStringLiteral("Your rating"));
        m_plot->hide();
        m_rating->hide();
    }

    void Show(const store::Connection& db, qint64 movieId) override
    {
        QString plot;
        std::optional<double> rating;
        if (movieId >= 0) {
            // The plot's start is all the label shows; the tooltip wraps the rest.
            store::Statement q(db, QStringLiteral("SELECT substr([Plot], 1, 2000), [Personal_Rating] FROM "
                                                  "[tbl_Movie_Details] WHERE [Movie_ID] = ?"));
            q.bind(1, movieId);
            if (q.step()) {
                plot = q.column(0).toString().trimmed();
                if (!q.column(1).isNull())
                    rating = q.column(1).toDouble();
            }
        }
        m_plot->setText(plot.simplified());
        m_plot->setToolTip(plot.size() < 2000 ? plot : plot + QStringLiteral("..."));
        m_rating->setText(RatingStars(rating));
        const bool had = m_shown;
        m_shown = !plot.isEmpty() || rating;
        m_plot->setVisible(!plot.isEmpty());
        m_rating->setVisible(rating.has_value());
        if (had != m_shown || m_plot->isVisible() != m_plotPlaced || m_rating->isVisible() != m_ratingPlaced)
            m_relayout();
    }

    double Place(double top, double width, double) override
    {
        constexpr double kLine = 240, kPlot = 3 * kLine; // three lines of the plot
        double height = 0;
        m_ratingPlaced = m_rating->isVisible();
        m_plotPlaced = m_plot->isVisible();
        if (m_ratingPlaced) {
            shell::PlaceTwips(m_rating, 120, top, width, kLine);
            height += kLine + 30;
        }
        if (m_plotPlaced) {
            shell::PlaceTwips(m_plot, 120, top + height, width, kPlot);
            height += kPlot + 30;
        }
        return height;
    }

private:
    QLabel* m_plot;
    QLabel* m_rating;
    std::function<void()> m_relayout;
    bool m_shown = false, m_plotPlaced = false, m_ratingPlaced = false;
};

} // namespace

QString RatingStars(const std::optional<double>& rating)
{
    if (!rating)
        return {};
    // A star is two points of the ten, a half one a point.
    const long points = std::lround(std::clamp(*rating, 0.0, 10.0) * 2); // in half points
    QString stars;
    for (int star = 0; star < 5; ++star)
        stars += points >= 4 * star + 4 ? QChar(0x2605) : points >= 4 * star + 2 ? QChar(0x00BD) : QChar(0x2606);
    return stars + QLatin1Char(' ') + QString::number(*rating);
}

void RegisterFeature()
{
    // Above the loan's lines (10).
    shell::AddPanelSection(5, [](QWidget* panel, shell::Hub&, std::function<void()> relayout) {
        return std::make_unique<DetailsSection>(panel, std::move(relayout));
    });
}

} // namespace movie_editor
