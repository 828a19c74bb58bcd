#include "items/VersionPreferences.h"

#include <limits>

#include "items/MachinePreferences.h"

namespace {

const QString kSection = QStringLiteral("Versions");

template <typename Number>
Number ReadCount(const QString& key, Number fallback) {
    bool ok = false;
    const qlonglong value =
        ReadMachinePreference(kSection, key, QVariant()).toString().trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > std::numeric_limits<int>::max()) return fallback;
    return static_cast<Number>(value);
}

}  // namespace

VersionPolicy ReadVersionPolicy() {
    VersionPolicy policy;
    policy.keep = ReadCount(QStringLiteral("Keep"), policy.keep);
    policy.days = ReadCount(QStringLiteral("Days"), policy.days);
    policy.months = ReadCount(QStringLiteral("Months"), policy.months);
    policy.maxMiB = ReadCount(QStringLiteral("MaxMiB"), policy.maxMiB);
    return policy;
}

void UseVersionPreferences() {
    SetVersionPolicy(ReadVersionPolicy());
}
