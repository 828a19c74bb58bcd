#include "items/clipboard/ClipboardOffer.h"

#include <cstring>

#include "diag/SecureWipe.h"

ClipboardOffer::ClipboardOffer(const QString& text, bool secret)
    : secret_(secret), text_(text.constData(), text.size()), utf8_(text_.toUtf8()) {}

ClipboardOffer::~ClipboardOffer() {
    Wipe(text_);
    Wipe(utf8_);
}

bool ClipboardOffer::IsHint(const char* mimeType) {
    return std::strcmp(mimeType, kPasswordManagerHint) == 0;
}

QByteArray ClipboardOffer::data(const char* mimeType) const {
    if (IsHint(mimeType)) return secret_ ? QByteArrayLiteral("secret") : QByteArray();
    return utf8_;
}
