// Where the main window stands, how large it is and how wide its columns are, kept from run to run.
#include "main_window/frmMain.h"

#include "catalog/MovieColumns.h"
#include "main_window/MovieGrid.h"
#include "shell/App.h"
#include "shell/Settings.h"
#include "shell/Toolkit.h"

namespace main_window {

using catalog::kMovieColumns;

namespace {
const QString kSettings = QStringLiteral("Settings");
QString columnKey(int column)
{
    return QStringLiteral("H") + QString::number(column + 2);
}
} // namespace

void frmMain::restoreSettings()
{
    const QString app = shell::App::Title();
    auto get = [&](const QString& key, float fallback) {
        return shell::GetSingleSetting(app, kSettings, key, fallback);
    };
    const double left = get(QStringLiteral("ML01"), 1000);
    const double top = get(QStringLiteral("MT01"), 1000);
    const double width = get(QStringLiteral("MW01"), 6500);
    const double height = get(QStringLiteral("MH01"), 6500);
    // Left, top, width and height are the whole window's, frame and caption included.
    const QRect place = shell::VisibleGeometryTwips(QRectF(left, top, width, height));
    move(place.topLeft());
    m_wholeSize = place.size();
    resize(place.size() - frameSize() + size()); // no frame yet: the inside stands in until fitFrame
    fitFrame();
    m_grid->SetColumnWidth(0, 0, get(QStringLiteral("H02"), 2500));
    for (int c = 1; c < int(kMovieColumns.size()); ++c)
        m_grid->SetColumnWidth(1, c, get(columnKey(c), 1545));
}

void frmMain::saveSettings()
{
    std::vector<std::pair<QString, QString>> values;
    auto save = [&](const QString& key, double twips) { values.emplace_back(key, shell::SingleText(twips)); };
    save(QStringLiteral("ML01"), shell::PixelsToTwipsX(pos().x()));
    save(QStringLiteral("MT01"), shell::PixelsToTwipsY(pos().y()));
    save(QStringLiteral("MW01"), shell::PixelsToTwipsX(frameSize().width()));
    save(QStringLiteral("MH01"), shell::PixelsToTwipsY(frameSize().height()));
    save(QStringLiteral("H02"), m_grid->ColumnWidth(0, 0));
    for (int c = 1; c < int(kMovieColumns.size()); ++c)
        save(columnKey(c), m_grid->ColumnWidth(1, c));
    shell::SaveSettings(shell::App::Title(), kSettings, values);
}

// The window manager puts its frame around the window some time after it is shown, and says how
// wide the frame is only then; from that moment the inside is made the whole size less the frame.
void frmMain::fitFrame()
{
    if (!m_wholeSize.isValid() || !isVisible())
        return;
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        m_wholeSize = QSize(); // the window manager decides the size
        return;
    }
    const QSize frame = frameSize() - size();
    if (frame.isNull())
        return; // not framed yet, or never: then the inside is the whole
    const QSize inside = m_wholeSize - frame;
    m_wholeSize = QSize();
    resize(inside);
}

} // namespace main_window
