#include "shell/Settings.h"

#include "shell/Toolkit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>

namespace shell {

QString GetSetting(const QString& appName, const QString& section, const QString& key, const QString& defaultValue)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    s.beginGroup(section);
    const QVariant v = s.value(key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value)
{
    SaveSettings(appName, section, {{key, value}});
}

void SaveSettings(const QString& appName, const QString& section,
                  const std::vector<std::pair<QString, QString>>& keysAndValues)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, appName, appName);
    s.beginGroup(section);
    for (const auto& [key, value] : keysAndValues)
        s.setValue(key, value);
}

float GetSingleSetting(const QString& appName, const QString& section, const QString& key, float defaultValue)
{
    bool ok = false;
    const float value = GetSetting(appName, section, key).trimmed().toFloat(&ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

QString SingleText(double value)
{
    // Seven significant digits: what a single-precision number holds.
    return QString::number(double(float(value)), 'g', 7);
}

namespace {
// The least a window may be to be seen and taken hold of, and the part of its top edge that must show.
constexpr int kMinWidth = 320;
constexpr int kMinHeight = 240;
constexpr int kGrip = 48;
// Cut before the conversion to pixels, so that no value of a single-precision number overflows.
constexpr double kFarTwips = 1e7;

bool shows(const QRect& window, const QRect& screen)
{
    const int edge = std::min(window.right(), screen.right()) - std::max(window.left(), screen.left()) + 1;
    return window.top() >= screen.top() && window.top() <= screen.bottom() - kGrip &&
           edge >= std::min(kGrip, window.width());
}

qint64 distance(const QRect& screen, const QPoint& p)
{
    const qint64 dx = std::max({screen.left() - p.x(), 0, p.x() - screen.right()});
    const qint64 dy = std::max({screen.top() - p.y(), 0, p.y() - screen.bottom()});
    return dx * dx + dy * dy;
}
} // namespace

QRect VisibleGeometry(const QRect& saved, const QList<QRect>& screens)
{
    const QSize least(kMinWidth, kMinHeight);
    if (screens.isEmpty())
        return QRect(saved.topLeft(), saved.size().expandedTo(least));
    const QRect screen = *std::min_element(screens.cbegin(), screens.cend(), [&](const QRect& a, const QRect& b) {
        return distance(a, saved.topLeft()) < distance(b, saved.topLeft());
    });
    const bool sane = saved.width() >= kMinWidth && saved.height() >= kMinHeight && saved.width() <= screen.width() &&
                      saved.height() <= screen.height();
    if (sane && std::any_of(screens.cbegin(), screens.cend(), [&](const QRect& s) { return shows(saved, s); }))
        return saved;
    const QSize size = saved.size().expandedTo(least).boundedTo(screen.size());
    return QRect(std::clamp(saved.left(), screen.left(), screen.right() - size.width() + 1),
                 std::clamp(saved.top(), screen.top(), screen.bottom() - size.height() + 1), size.width(),
                 size.height());
}

QRect VisibleGeometryTwips(const QRectF& twips)
{
    auto pixels = [](double value, int (*convert)(double)) {
        return convert(std::isfinite(value) ? std::clamp(value, -kFarTwips, kFarTwips) : 0.0);
    };
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return VisibleGeometry(QRect(pixels(twips.x(), TwipsToPixelsX), pixels(twips.y(), TwipsToPixelsY),
                                 pixels(twips.width(), TwipsToPixelsX), pixels(twips.height(), TwipsToPixelsY)),
                           screens);
}

} // namespace shell
