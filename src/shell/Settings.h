#pragma once

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

} // namespace shell
