#pragma once

#include <QStringView>

// A key typed in the settings dialog may hold only the printable ASCII characters without the
// space, U+0021 to U+007E. Returns the index of the first code unit outside that range, or -1 when
// every one is allowed (the empty key included: the settings command deals with it).
qsizetype FirstDisallowedKeyCharacter(QStringView key);

inline bool IsAllowedKeyText(QStringView key) {
    return FirstDisallowedKeyCharacter(key) < 0;
}
