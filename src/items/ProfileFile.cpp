#include "items/ProfileFile.h"

#include <iconv.h>

#include <QStringDecoder>
#include <cerrno>
#include <optional>
#include <vector>

#include "diag/SecureWipe.h"
#include "storage/RegularFileRead.h"
#include "storage/SafeFileWrite.h"

namespace {

bool IsBlank(QChar c) {
    switch (c.unicode()) {
        case u' ':
        case u'\t':
        case u'\r':
        case u'\n':
        case u'\v':
        case u'\f':
        case 0x1A:  // end-of-file mark left by old editors
            return true;
        default:
            return false;
    }
}

QStringView Trim(QStringView s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.mid(begin, end - begin);
}

bool IsQuote(QChar c) {
    return c == u'"' || c == u'\'';
}

bool HasEnclosingQuotes(QStringView s) {
    return s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front();
}

bool HasLineBreakOrZero(QStringView s) {
    for (QChar c : s) {
        if (c == u'\r' || c == u'\n' || c == u'\0') return true;
    }
    return false;
}

struct ParsedLine {
    enum Kind { Other, Section, Key } kind = Other;
    QStringView name;
    QStringView value;  // keys only: the text after "=", blanks trimmed
};

ParsedLine ParseLine(QStringView line) {
    const QStringView t = Trim(line);
    if (t.isEmpty() || t.front() == u';') return {};
    if (t.front() == u'[') {
        const qsizetype close = t.lastIndexOf(u']');
        if (close > 0) return {ParsedLine::Section, Trim(t.mid(1, close - 1)), {}};
    }
    const qsizetype eq = t.indexOf(u'=');
    if (eq < 0) return {};
    return {ParsedLine::Key, Trim(t.left(eq)), Trim(t.mid(eq + 1))};
}

bool SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What a read returns for the text after "=": up to a zero character, without one pair of
// enclosing quotes, at most kMaxValueLength code units.
QString ReadValue(QStringView raw) {
    const qsizetype zero = raw.indexOf(u'\0');
    if (zero >= 0) raw = raw.left(zero);
    if (HasEnclosingQuotes(raw)) raw = raw.mid(1, raw.size() - 2);
    if (raw.size() > ProfileFile::kMaxValueLength) {
        raw = raw.left(ProfileFile::kMaxValueLength);
        if (raw.back().isHighSurrogate()) raw.chop(1);
    }
    return raw.toString();
}

// The text written after "=" so that ReadValue gives the value back.
QString EncodeValue(QStringView value) {
    if (value.isEmpty()) return {};
    if (IsBlank(value.front()) || IsBlank(value.back()) || HasEnclosingQuotes(value)) {
        return u'"' + value.toString() + u'"';
    }
    return value.toString();
}

// Code page 932 (Windows' Japanese "Shift_JIS") through glibc's converter; nullopt when the
// bytes are not valid in it. The file's text (the key verifier in it) passes through a buffer of
// its own here, wiped before it is freed.
std::optional<QString> DecodeCp932(QByteArrayView bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    // One or two input bytes never make more than three bytes of UTF-8.
    std::vector<char> out(static_cast<std::size_t>(bytes.size()) * 3 + 4);
    // iconv's input pointer is not const, but it only reads through it.
    char* inPtr = const_cast<char*>(bytes.data());
    std::size_t inLeft = static_cast<std::size_t>(bytes.size());
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    std::optional<QString> text;
    if (rc != static_cast<std::size_t>(-1) && inLeft == 0)
        text = QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size() - outLeft));
    WipeMemory(out.data(), out.size());
    return text;
}

struct Decoded {
    QString text;
    bool exact = true;
};

// The decoders read the file's bytes in place: no copy of them is made.
Decoded DecodeUtf16(QByteArrayView body, QStringConverter::Encoding encoding) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    Decoded d;
    d.text = decoder.decode(body);
    d.exact = !decoder.hasError() && body.size() % 2 == 0 && d.text.isValidUtf16();
    return d;
}

Decoded DecodeFile(QByteArrayView bytes) {
    if (bytes.startsWith("\xFF\xFE"))
        return DecodeUtf16(bytes.sliced(2), QStringConverter::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return DecodeUtf16(bytes.sliced(2), QStringConverter::Utf16BE);
    const QByteArrayView body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    Decoded d;
    d.text = utf8.decode(body);
    if (!utf8.hasError()) return d;
    if (std::optional<QString> cp932 = DecodeCp932(body)) {
        Wipe(d.text);
        d.text = *cp932;
        return d;
    }
    d.exact = false;  // neither: read what UTF-8 makes of it, but never write it back
    return d;
}

}  // namespace

ProfileFile ProfileFile::Load(const QString& path) {
    ProfileFile file(path);
    // A settings file is a few lines long; anything far larger is not one, and is not read into
    // memory; neither is a device or a pipe, which would never end or never begin.
    FileReadResult read = ReadRegularFile(path, kSettingsFileSizeLimit);
    const WipeOnExit wipeBytes(read.bytes);  // it holds the key verifier
    if (read.status == FileReadResult::Status::Missing) return file;
    if (!read.ok()) {
        file.state_ = State::Unreadable;
        file.readProblem_ = ReadProblemText(read, kSettingsFileSizeLimit);
        return file;
    }
    Decoded decoded = DecodeFile(read.bytes);
    file.state_ = decoded.exact ? State::Loaded : State::Undecodable;
    file.splitLines(decoded.text);
    // The whole file, the key verifier in it; a file of one line without a line end shares its
    // text with that line, which the file wipes in its turn.
    WipeOwnCopy(decoded.text);
    return file;
}

ProfileFile::~ProfileFile() {
    if (!lines_.isDetached()) return;  // another copy still holds them
    for (Line& line : lines_) WipeOwnCopy(line.text);
}

void ProfileFile::splitLines(const QString& text) {
    bool endSeen = false;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype lf = text.indexOf(u'\n', start);
        if (lf < 0) {
            lines_.append({text.mid(start), QString()});
            break;
        }
        const bool cr = lf > start && text[lf - 1] == u'\r';
        const qsizetype textEnd = cr ? lf - 1 : lf;
        lines_.append(
            {text.mid(start, textEnd - start), cr ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        if (!endSeen) crlf_ = cr;
        endSeen = true;
        start = lf + 1;
    }
}

qsizetype ProfileFile::findSection(QStringView section) const {
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const ParsedLine p = ParseLine(lines_[i].text);
        if (p.kind == ParsedLine::Section && SameName(p.name, section)) return i;
    }
    return -1;
}

qsizetype ProfileFile::findKey(qsizetype header, QStringView key) const {
    for (qsizetype i = header + 1; i < lines_.size(); ++i) {
        const ParsedLine p = ParseLine(lines_[i].text);
        if (p.kind == ParsedLine::Section) break;
        if (p.kind == ParsedLine::Key && SameName(p.name, key)) return i;
    }
    return -1;
}

QString ProfileFile::value(QStringView section, QStringView key) const {
    section = Trim(section);
    key = Trim(key);
    if (section.isEmpty() || key.isEmpty()) return {};
    const qsizetype header = findSection(section);
    if (header < 0) return {};
    const qsizetype line = findKey(header, key);
    if (line < 0) return {};
    return ReadValue(ParseLine(lines_[line].text).value);
}

bool ProfileFile::contains(QStringView section, QStringView key) const {
    section = Trim(section);
    key = Trim(key);
    if (section.isEmpty() || key.isEmpty()) return false;
    const qsizetype header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

void ProfileFile::insertLine(qsizetype at, const QString& text) {
    if (at > 0 && lines_[at - 1].end.isEmpty()) lines_[at - 1].end = newLineEnd();
    lines_.insert(at, {text, newLineEnd()});
}

bool ProfileFile::setValue(QStringView section, QStringView key, QStringView value) {
    section = Trim(section);
    key = Trim(key);
    if (section.isEmpty() || key.isEmpty()) return false;
    if (HasLineBreakOrZero(section) || HasLineBreakOrZero(key) || HasLineBreakOrZero(value)) {
        return false;
    }
    if (key.contains(u'=') || key.front() == u'[' || key.front() == u';') return false;
    if (!section.isValidUtf16() || !key.isValidUtf16() || !value.isValidUtf16()) return false;
    // A longer value would be cut on reading, and come back as another path or key.
    if (value.size() > kMaxValueLength) return false;
    // A value may be the key verifier: no copy of it is freed unwiped.
    QString encoded = EncodeValue(value);
    const WipeOnExit wipeEncoded(encoded);

    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!lines_.isEmpty() && !Trim(lines_.last().text).isEmpty()) {
            insertLine(lines_.size(), QString());
        }
        insertLine(lines_.size(), u'[' + section.toString() + u']');
        insertLine(lines_.size(), key.toString() + u'=' + encoded);
        return true;
    }
    const qsizetype existing = findKey(header, key);
    if (existing >= 0) {
        // Keep the key as it was spelled and indented; only the value changes. The line it
        // replaces (an old key verifier) is wiped unless another copy of the file still holds it.
        QString& text = lines_[existing].text;
        QString replaced = text.left(text.indexOf(u'=') + 1) + encoded;
        text.swap(replaced);
        WipeOwnCopy(replaced);
        return true;
    }
    // Add the key after the section's last non-blank line, so that blank lines separating it
    // from the next section stay where they are.
    qsizetype last = header;
    for (qsizetype i = header + 1; i < lines_.size(); ++i) {
        if (ParseLine(lines_[i].text).kind == ParsedLine::Section) break;
        if (!Trim(lines_[i].text).isEmpty()) last = i;
    }
    insertLine(last + 1, key.toString() + u'=' + encoded);
    return true;
}

QByteArray ProfileFile::toBytes() const {
    // The text holds the key verifier: put together in one allocation of its final size, which
    // no growing leaves behind, and wiped once converted.
    // Reading skips one leading byte-order mark; a text that starts with the character U+FEFF
    // (read after a mark) gets a mark of its own, so that the character is read back too.
    const bool mark = !lines_.isEmpty() && lines_.front().text.startsWith(QChar(0xFEFF));
    qsizetype size = mark ? 1 : 0;
    for (const Line& line : lines_) size += line.text.size() + line.end.size();
    QString text;
    text.reserve(size);
    if (mark) text += QChar(0xFEFF);
    for (const Line& line : lines_) {
        text += line.text;
        text += line.end;
    }
    QByteArray bytes = text.toUtf8();
    Wipe(text);
    return bytes;
}

bool ProfileFile::save(SafeWriteResult* result) const {
    SafeWriteResult written;
    if (state_ != State::Unreadable && state_ != State::Undecodable) {
        // The same safe write as the data file: a failed write never leaves a truncated file
        // behind, and a folder the disk did not flush is a failure here as it is there.
        QByteArray bytes = toBytes();
        const WipeOnExit wipeBytes(bytes);
        written = WriteFileChecked(path_, bytes.constData(), bytes.size());
    }
    if (result) *result = written;
    return written.status == SafeWriteResult::Status::Written;
}

QString ReadProfileString(const QString& path, QStringView section, QStringView key) {
    return ProfileFile::Load(path).value(section, key);
}

bool WriteProfileStrings(const QString& path, QStringView section,
                         const QList<QPair<QString, QString>>& keyValues, SafeWriteResult* result) {
    if (result) *result = SafeWriteResult();
    ProfileFile file = ProfileFile::Load(path);
    for (const auto& [key, value] : keyValues) {
        if (!file.setValue(section, key, value)) return false;
    }
    return file.save(result);
}
