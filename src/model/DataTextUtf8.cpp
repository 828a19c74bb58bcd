#include "model/DataTextUtf8.h"

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char* DataTextUtf8::append(QStringView piece, char* out) {
    if (ended_ || piece.isEmpty()) return out;
    if (const qsizetype zero = piece.indexOf(QChar(0)); zero >= 0) {
        piece = piece.left(zero);
        ended_ = true;
    }
    if (!started_ && !piece.isEmpty()) {
        started_ = true;
        if (piece.front() == QChar(kByteOrderMark)) piece = piece.mid(1);
    }
    if (pending_ && !piece.isEmpty()) {
        if (IsLowSurrogate(piece.front().unicode())) {
            const char16_t pair[2] = {pending_, piece.front().unicode()};
            pending_ = 0;
            out = encoder_.appendToBuffer(out, QStringView(pair, 2));
            piece = piece.mid(1);
        } else {
            out = finish(out);
        }
    }
    if (!ended_ && !piece.isEmpty() && IsHighSurrogate(piece.back().unicode())) {
        pending_ = piece.back().unicode();
        piece.chop(1);
    }
    out = encoder_.appendToBuffer(out, piece);
    if (ended_) out = finish(out);
    return out;
}

char* DataTextUtf8::finish(char* out) {
    if (!pending_) return out;
    const char16_t lone = pending_;
    pending_ = 0;
    return encoder_.appendToBuffer(out, QStringView(&lone, 1));
}
