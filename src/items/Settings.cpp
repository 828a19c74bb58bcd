#include "items/Settings.h"

#include "diag/MessageBoxes.h"
#include "items/ProfileFile.h"

namespace {

constexpr char16_t kSection[] = u"CONFIG";
constexpr char16_t kKeyData[] = u"DATA";
constexpr char16_t kKeyVerifier[] = u"KEY";
constexpr char16_t kKeyStartMinimised[] = u"ONTASKBAR";

}  // namespace

QString SettingsFilePath(const QString& startDir) {
    return startDir + QStringLiteral("/Zetrova.ini");
}

QString DefaultDataFilePath(const QString& startDir) {
    return startDir + QStringLiteral("/Zetrova.dat");
}

bool ReadSettings(const QString& startDir, HeldSettings& held, QString* problem) {
    return ReadSettingsFile(SettingsFilePath(startDir), DefaultDataFilePath(startDir), held,
                            problem);
}

bool ReadSettingsFile(const QString& iniPath, const QString& defaultDataFilePath,
                      HeldSettings& held, QString* problem) {
    const ProfileFile file = ProfileFile::Load(iniPath);
    if (file.state() == ProfileFile::State::Unreadable) {
        if (problem) *problem = file.readProblem();
        return false;
    }

    const QString data = file.value(kSection, kKeyData);
    held.dataFilePath = data.isEmpty() ? defaultDataFilePath : data;

    const QString verifier = file.value(kSection, kKeyVerifier);
    if (!verifier.isEmpty()) held.keyVerifier = verifier;

    held.startMinimised = file.value(kSection, kKeyStartMinimised) == u"1";
    return true;
}

bool CheckKeyVerifierSet(QObject* owner, const QString& verifier) {
    if (!verifier.isEmpty()) return true;
    Notice(owner, u"暗号化キーが設定されていません");
    return false;
}

bool WriteSettingsFile(const QString& startDir, const QString& dataFilePath,
                       const QString& verifier, bool startMinimised, SafeWriteResult* result) {
    return WriteSettingsFileAt(SettingsFilePath(startDir), dataFilePath, verifier, startMinimised,
                               result);
}

bool WriteSettingsFileAt(const QString& iniPath, const QString& dataFilePath,
                         const QString& verifier, bool startMinimised, SafeWriteResult* result) {
    return WriteProfileStrings(iniPath, kSection,
                               {{QString::fromUtf16(kKeyData), dataFilePath},
                                {QString::fromUtf16(kKeyVerifier), verifier},
                                {QString::fromUtf16(kKeyStartMinimised),
                                 startMinimised ? QStringLiteral("1") : QStringLiteral("0")}},
                               result);
}

bool WriteSettingsKey(const QString& iniPath, const QString& verifier, SafeWriteResult* result) {
    if (result) *result = SafeWriteResult();
    return !verifier.isEmpty() &&
           WriteProfileStrings(iniPath, kSection, {{QString::fromUtf16(kKeyVerifier), verifier}},
                               result);
}

void UpdateHeldSettings(HeldSettings& held, const QString& dataFilePath, const QString& verifier,
                        bool startMinimised) {
    held.dataFilePath = dataFilePath;
    held.keyVerifier = verifier;
    held.startMinimised = startMinimised;
}

WriteSettingsResult WriteSettings(const QString& startDir, HeldSettings& held,
                                  const QString& dataFilePath, const QString& verifier,
                                  bool startMinimised, QObject* owner) {
    if (!CheckKeyVerifierSet(owner, verifier)) return WriteSettingsResult::NoKey;
    UpdateHeldSettings(held, dataFilePath, verifier, startMinimised);
    return WriteSettingsFile(startDir, dataFilePath, verifier, startMinimised)
               ? WriteSettingsResult::Written
               : WriteSettingsResult::FileNotWritten;
}
