#pragma once

#include <QStringView>

// A key typed in the settings dialog may hold only the printable ASCII characters without the
// space, U+0021 to U+007E. Returns the index of the first code unit outside that range, or -1 when
// every one is allowed (the empty key included: the settings command deals with it).
qsizetype FirstDisallowedKeyCharacter(QStringView key);

inline bool IsAllowedKeyText(QStringView key) {
    return FirstDisallowedKeyCharacter(key) < 0;
}

// The longest key that may be chosen. The cipher takes 72 bytes of key, 36 characters in UTF-16:
// characters after the 36th change nothing, and two keys that agree in their first 36 open the
// same data file. A longer key is refused where a key is chosen (the settings dialog, zetrova-cli
// init and passwd), so that no one counts on characters that do nothing; a longer key typed to
// open a file is still taken as before.
inline constexpr qsizetype kLongestKey = 36;
inline constexpr char16_t kKeyTooLong[] =
    u"キーは36文字までにしてください（37文字目からは暗号化に使われず、キーを強くしません）";
