#include "items/MachinePreferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <optional>

#include "storage/SafeFileWrite.h"

namespace {

constexpr char16_t kLockSection[] = u"Lock";

// A file QSettings takes apart without complaint may still hold lines that are no ini lines: those
// make the file damaged too, so that a file torn by another program is noticed.
bool IniLinesReadable(const QByteArray& text) {
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            if (!line.endsWith(']')) return false;
            continue;
        }
        if (!line.contains('=')) return false;
    }
    return true;
}

std::optional<bool> BoolOf(const QVariant& value) {
    const QString text = value.toString().trimmed().toLower();
    if (text == u"true" || text == u"1" || text == u"yes" || text == u"on") return true;
    if (text == u"false" || text == u"0" || text == u"no" || text == u"off") return false;
    return std::nullopt;
}

}  // namespace

QString MachinePreferencesPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Relative paths are not allowed there; such a value is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zetrova/zetrova.conf");
}

bool MachinePreferencesDamaged() {
    QFile file(MachinePreferencesPath());
    if (!file.exists()) return false;
    if (!file.open(QIODevice::ReadOnly)) return true;
    if (!IniLinesReadable(file.read(1 << 20))) return true;
    QSettings settings(MachinePreferencesPath(), QSettings::IniFormat);
    return settings.status() != QSettings::NoError;
}

QVariant ReadMachinePreference(const QString& section, const QString& key,
                               const QVariant& fallback) {
    const QString path = MachinePreferencesPath();
    if (!QFileInfo(path).isFile()) return fallback;
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return fallback;
    return settings.value(section + u'/' + key, fallback);
}

bool WriteMachinePreferences(const QString& section, const QList<QPair<QString, QString>>& values) {
    const QString path = MachinePreferencesPath();
    QByteArray kept;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        bool inSection = false;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QByteArray trimmed = line.trimmed();
            if (trimmed.startsWith('['))
                inSection = QString::fromUtf8(trimmed.mid(1, trimmed.size() - 2))
                                .compare(section, Qt::CaseInsensitive) == 0;
            if (!inSection && !trimmed.isEmpty()) kept += line + '\n';
        }
        file.close();
    }
    QByteArray text = kept;
    if (!text.isEmpty()) text += '\n';
    text += '[' + section.toUtf8() + "]\n";
    for (const auto& [key, value] : values) text += key.toUtf8() + '=' + value.toUtf8() + '\n';
    if (!QDir().mkpath(QFileInfo(path).path())) return false;
    QFile::setPermissions(QFileInfo(path).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return WriteFileSafely(path, text.constData(), text.size());
}

LockPreferences ReadLockPreferences(bool* damaged) {
    LockPreferences prefs;
    bool bad = MachinePreferencesDamaged();
    if (!bad) {
        const QString section = QString::fromUtf16(kLockSection);
        bool ok = true;
        const QVariant idle = ReadMachinePreference(section, QStringLiteral("IdleSeconds"), {});
        if (idle.isValid()) {
            const int seconds = idle.toString().trimmed().toInt(&ok);
            if (ok && seconds >= 0 && seconds <= LockPreferences::kMaxIdleSeconds)
                prefs.idleSeconds = seconds;
            else
                bad = true;
        }
        const auto readBool = [&](const QString& key, bool& into) {
            const QVariant value = ReadMachinePreference(section, key, {});
            if (!value.isValid()) return;
            if (const std::optional<bool> b = BoolOf(value))
                into = *b;
            else
                bad = true;
        };
        readBool(QStringLiteral("OnSessionLock"), prefs.onSessionLock);
        readBool(QStringLiteral("OnHide"), prefs.onHide);
    }
    if (damaged) *damaged = bad;
    return prefs;
}

bool WriteLockPreferences(const LockPreferences& preferences) {
    const auto text = [](bool b) { return b ? QStringLiteral("true") : QStringLiteral("false"); };
    return WriteMachinePreferences(
        QString::fromUtf16(kLockSection),
        {{QStringLiteral("IdleSeconds"), QString::number(preferences.idleSeconds)},
         {QStringLiteral("OnSessionLock"), text(preferences.onSessionLock)},
         {QStringLiteral("OnHide"), text(preferences.onHide)}});
}
