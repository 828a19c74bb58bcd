#include "cli/CliEscape.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(char32_t value, QString& out) {
    const qsizetype start = out.size();
    do {
        out.insert(start, QLatin1Char(kHexDigits[value & 0xF]));
        value >>= 4;
    } while (value);
}

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

// Characters written as \u{H...}: the C1 controls, and the bidirectional formatting characters
// that make a terminal show what follows them in another order.
bool IsWrittenAsCodePoint(char16_t u) {
    return (u >= 0x80 && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

}  // namespace

void AppendEscaped(QChar c, QString& out) {
    const char16_t u = c.unicode();
    switch (u) {
        case u'\\':
            out += QStringLiteral("\\\\");
            return;
        case u'\t':
            out += QStringLiteral("\\t");
            return;
        case u'\r':
            out += QStringLiteral("\\r");
            return;
        case u'\n':
            out += QStringLiteral("\\n");
            return;
        default:
            break;
    }
    if (u < 0x20 || u == 0x7F) {
        out += QStringLiteral("\\x");
        out += QLatin1Char(kHexDigits[u >> 4]);
        out += QLatin1Char(kHexDigits[u & 0xF]);
    } else if (IsWrittenAsCodePoint(u)) {
        out += QStringLiteral("\\u{");
        AppendHex(u, out);
        out += u'}';
    } else {
        out += c;
    }
}

QString EscapeLine(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) AppendEscaped(c, out);
    return out;
}

QString EscapeControls(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c == u'\\')
            out += c;
        else
            AppendEscaped(c, out);
    }
    return out;
}

bool ReadEscape(QStringView text, qsizetype& i, QString& out) {
    if (i + 1 >= text.size() || text[i] != u'\\') return false;
    const char16_t kind = text[i + 1].unicode();
    const char16_t simple = kind == u'\\'  ? u'\\'
                            : kind == u't' ? u'\t'
                            : kind == u'r' ? u'\r'
                            : kind == u'n' ? u'\n'
                                           : 0;
    if (simple) {
        out += QChar(simple);
        i += 1;
        return true;
    }
    if (kind == u'x') {
        if (i + 3 >= text.size()) return false;
        const int high = HexValue(text[i + 2]);
        const int low = HexValue(text[i + 3]);
        if (high < 0 || low < 0) return false;
        out += QChar(char16_t(high * 16 + low));
        i += 3;
        return true;
    }
    if (kind == u'u' && i + 2 < text.size() && text[i + 2] == u'{') {
        char32_t value = 0;
        qsizetype j = i + 3;
        for (; j < text.size() && j - (i + 3) < 7 && HexValue(text[j]) >= 0; ++j)
            value = value * 16 + char32_t(HexValue(text[j]));
        const qsizetype digits = j - (i + 3);
        if (digits < 1 || digits > 6 || j >= text.size() || text[j] != u'}') return false;
        if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        out += QString::fromUcs4(&value, 1);
        i = j;
        return true;
    }
    return false;
}
