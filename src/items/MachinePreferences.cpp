#include "items/MachinePreferences.h"

#include <QFileInfo>
#include <QSettings>

QString MachinePreferencesPath() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG base directory rules say.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.startsWith(u'/')) return config + QStringLiteral("/zetrova/zetrova.conf");
    const QString home = qEnvironmentVariable("HOME");
    if (home.startsWith(u'/')) return home + QStringLiteral("/.config/zetrova/zetrova.conf");
    return {};
}

QVariant ReadMachinePreference(const QString& section, const QString& key,
                               const QVariant& fallback) {
    const QString path = MachinePreferencesPath();
    if (path.isEmpty() || !QFileInfo(path).isFile()) return fallback;
    const QSettings settings(path, QSettings::IniFormat);
    return settings.value(section + u'/' + key, fallback);
}
