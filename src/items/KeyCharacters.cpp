#include "items/KeyCharacters.h"

qsizetype FirstDisallowedKeyCharacter(QStringView key) {
    for (qsizetype i = 0; i < key.size(); ++i) {
        const char16_t c = key[i].unicode();
        if (c < u'\x21' || c > u'\x7E') return i;
    }
    return -1;
}
