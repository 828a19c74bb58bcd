#include "model/XmlText.h"

#include <QStringDecoder>

#include "model/XmlInternal.h"

namespace {

bool IsXmlChar(char32_t c) {
    if (c < 0x20) return c == 0x9 || c == 0xA || c == 0xD;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    return c != 0xFFFE && c != 0xFFFF;
}

}  // namespace

QString ToXmlCharacters(const QString& text) {
    QString result;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            if (!result.isNull()) result.append(c).append(text.at(i + 1));
            ++i;
            continue;
        }
        if (IsXmlChar(c.unicode())) {
            if (!result.isNull()) result.append(c);
            continue;
        }
        // First offending character: copy what came before, then go on appending.
        if (result.isNull()) {
            result.reserve(n);
            result.append(QStringView(text).left(i));
        }
        result.append(QChar(0xFFFD));
    }
    return result.isNull() ? text : result;
}

bool IsStorableText(QStringView text) {
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!IsXmlChar(c.unicode())) return false;
    }
    return true;
}

namespace xmlimpl {

QByteArray ToXmlUtf8(const QString& text) {
    return ToXmlCharacters(text).toUtf8();
}

QString FromXmlUtf8(const xmlChar* text) {
    if (!text) return QString();
    // QString::fromUtf8 drops a leading byte-order mark; here U+FEFF is a character of the name
    // or value like any other.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(reinterpret_cast<const char*>(text)));
}

}  // namespace xmlimpl
