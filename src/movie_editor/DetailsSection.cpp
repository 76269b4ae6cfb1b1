#include "movie_editor/DetailsSection.h"

#include "shell/Hub.h"
#include "shell/Toolkit.h"
#include "store/Sqlite.h"

#include <QLabel>
#include <QTextLayout>
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
        m_text = plot.simplified();
        fit();
        m_plot->setToolTip(plot.size() < 2000 ? plot : plot + QStringLiteral("..."));
        m_rating->setText(RatingStars(rating));
        const bool had = m_shown;
        m_shown = !plot.isEmpty() || rating;
        m_plot->setVisible(!plot.isEmpty());
        m_rating->setVisible(rating.has_value());
        if (had != m_shown || m_plot->isVisible() != m_plotPlaced || m_rating->isVisible() != m_ratingPlaced)
            m_relayout();
    }

    double Place(double top, double width, double room) override
    {
        constexpr double kLine = 240, kPlot = 3 * kLine; // three lines of the plot where there is room
        double height = 0;
        m_ratingPlaced = m_rating->isVisible();
        m_plotPlaced = m_plot->isVisible();
        if (m_ratingPlaced) {
            shell::PlaceTwips(m_rating, 120, top, width, kLine);
            height += kLine + 30;
        }
        if (m_plotPlaced) {
            // Whole lines only, at least one; fewer than three where the panel is short.
            const int spacing = qMax(1, m_plot->fontMetrics().lineSpacing());
            m_lines = qMax(1, shell::TwipsToPixelsY(qMin(kPlot, room - height - 30)) / spacing);
            m_width = shell::TwipsToPixelsX(width);
            const double plot = shell::PixelsToTwipsY(m_lines * spacing + 2);
            shell::PlaceTwips(m_plot, 120, top + height, width, plot);
            height += plot + 30;
            fit();
        }
        return height;
    }

private:
    // The plot in the lines placed, the last ending in "..." where the plot goes on.
    void fit()
    {
        QString shown = m_text;
        if (m_lines > 0) {
            QTextLayout layout(m_text, m_plot->font(), m_plot); // measured as the label paints
            layout.beginLayout();
            int n = 0;
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(m_width - 4); // a little short of the label, so it breaks no sooner
                if (++n == m_lines && line.textStart() + line.textLength() < m_text.size()) {
                    // The last line, words dropped from its end until the dots fit beside it. Three
                    // stops, as the windows' faces may lack the one-glyph ellipsis.
                    const QString kMore = QStringLiteral("...");
                    const QFontMetrics metrics = m_plot->fontMetrics();
                    QString last = m_text.mid(line.textStart(), line.textLength()).trimmed();
                    while (!last.isEmpty() && metrics.horizontalAdvance(last + kMore) > m_width - 4) {
                        const qsizetype blank = last.lastIndexOf(QLatin1Char(' '));
                        last = blank > 0 ? last.left(blank).trimmed() : last.chopped(1);
                    }
                    shown = m_text.left(line.textStart()) + last + kMore;
                    break;
                }
            }
            layout.endLayout();
        }
        m_plot->setText(shown);
    }

    QLabel* m_plot;
    QLabel* m_rating;
    std::function<void()> m_relayout;
    bool m_shown = false, m_plotPlaced = false, m_ratingPlaced = false;
    QString m_text;  // the plot's start on one line
    int m_lines = 0; // lines the label holds, once placed
    int m_width = 0; // pixels
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
