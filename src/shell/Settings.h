#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <utility>
#include <vector>

namespace shell {

// The per-user settings store: an INI file per application name, sections and keys, text values.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
void SaveSetting(const QString& appName, const QString& section, const QString& key, const QString& value);
// Several keys of one section in one write of the file.
void SaveSettings(const QString& appName, const QString& section,
                  const std::vector<std::pair<QString, QString>>& keysAndValues);

// A stored number read back as single precision; text that does not convert gives the default.
float GetSingleSetting(const QString& appName, const QString& section, const QString& key, float defaultValue);
// The decimal text of a single-precision number, as the settings hold it.
QString SingleText(double value);

// Where a window goes from its saved place in pixels (left, top, width, height), which a damaged
// file or an unplugged monitor may have put anywhere: kept when its size is sane and its top edge
// shows on one of the screens' available areas, otherwise its size clamped to the nearest screen
// and the window moved onto it.
QRect VisibleGeometry(const QRect& saved, const QList<QRect>& screens);
// The same for a place saved in twips, on this machine's screens.
QRect VisibleGeometryTwips(const QRectF& twips);

} // namespace shell
