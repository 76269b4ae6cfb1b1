#include "shell/Settings.h"

#include <QSettings>
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

} // namespace shell
