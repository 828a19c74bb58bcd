#include "diag/FormatText.h"

QString FormatArg::text() const {
    if (const auto* s = std::get_if<QString>(&value_)) return *s;
    if (const auto* n = std::get_if<std::int64_t>(&value_)) return QString::number(*n);
    return QString::number(std::get<std::uint64_t>(value_));
}

std::int64_t FormatArg::signedNumber() const {
    if (const auto* n = std::get_if<std::int64_t>(&value_)) return *n;
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) return static_cast<std::int64_t>(*u);
    return std::get<QString>(value_).toLongLong();
}

std::uint64_t FormatArg::unsignedNumber() const {
    if (const auto* u = std::get_if<std::uint64_t>(&value_)) return *u;
    if (const auto* n = std::get_if<std::int64_t>(&value_)) return static_cast<std::uint64_t>(*n);
    return std::get<QString>(value_).toULongLong();
}

namespace {

QString Pad(const QString& text, int width, bool leftAlign, bool zeroPad) {
    if (text.size() >= width) return text;
    const qsizetype fill = width - text.size();
    if (leftAlign) return text + QString(fill, u' ');
    if (zeroPad) {
        // Zeros go after a minus sign, as printf does.
        if (text.startsWith(u'-')) return u'-' + QString(fill, u'0') + text.mid(1);
        return QString(fill, u'0') + text;
    }
    return QString(fill, u' ') + text;
}

}  // namespace

QString FormatText(QStringView format, std::initializer_list<FormatArg> args) {
    QString out;
    out.reserve(format.size() + 16);
    auto next = args.begin();
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        qsizetype j = i + 1;
        if (format[j] == u'%') {
            out += u'%';
            i = j;
            continue;
        }
        bool leftAlign = false;
        bool zeroPad = false;
        for (; j < n && (format[j] == u'-' || format[j] == u'0'); ++j) {
            if (format[j] == u'-') leftAlign = true;
            if (format[j] == u'0') zeroPad = true;
        }
        int width = 0;
        for (; j < n && format[j].isDigit(); ++j) width = width * 10 + format[j].digitValue();
        // Length modifiers (l, ll, h) carry no meaning here.
        while (j < n && (format[j] == u'l' || format[j] == u'h')) ++j;
        if (j >= n) {
            out += format.mid(i);
            break;
        }
        const QChar conv = format[j];
        const FormatArg* arg = next != args.end() ? next : nullptr;
        QString piece;
        switch (conv.unicode()) {
            case u's':
            case u'S':
                piece = arg ? arg->text() : QString();
                zeroPad = false;
                break;
            case u'd':
            case u'i':
                piece = arg ? QString::number(arg->signedNumber()) : QString();
                break;
            case u'u':
                piece = arg ? QString::number(arg->unsignedNumber()) : QString();
                break;
            case u'X':
                piece = arg ? QString::number(arg->unsignedNumber(), 16).toUpper() : QString();
                break;
            case u'x':
                piece = arg ? QString::number(arg->unsignedNumber(), 16) : QString();
                break;
            case u'c':
                piece =
                    arg ? QString(QChar(static_cast<char16_t>(arg->unsignedNumber()))) : QString();
                zeroPad = false;
                break;
            default:
                // Not a conversion this formatter knows: copy it as it stands.
                out += format.mid(i, j - i + 1);
                i = j;
                continue;
        }
        if (arg) ++next;
        out += Pad(piece, width, leftAlign, zeroPad);
        i = j;
    }
    return out;
}
