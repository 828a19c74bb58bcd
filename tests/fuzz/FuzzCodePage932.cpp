// The code page 932 codec that libxml2 uses for "Shift_JIS" imports and exports, driven the way
// libxml2 drives it: input in pieces of any size, output space of any size. Decoding gives the
// same valid UTF-8 however the bytes are cut; text decoded from code page 932 encodes completely
// and decodes back to itself; any text encodes up to the first character without an exact code
// page 932 form, and what was encoded decodes back to the text before it.

#include <libxml/encoding.h>

#include "fuzz/FuzzTarget.h"
#include "model/LibXmlRuntime.h"

namespace {

using Converter = int (*)(unsigned char*, int*, const unsigned char*, int*);

struct Converted {
    QByteArray out;
    qsizetype consumed = 0;  // input bytes converted
    bool refused = false;    // stopped at a sequence without a form in the other encoding
    friend bool operator==(const Converted&, const Converted&) = default;
};

// Runs a converter over input offered `piece` bytes at a time with `room` bytes of output space.
// A converter that holds back the start of a character gets the next piece with it.
Converted Convert(Converter convert, const QByteArray& input, int piece, int room) {
    Converted c;
    QByteArray buffer(room, '\0');
    int offered = piece;
    while (c.consumed < input.size()) {
        int inLength = static_cast<int>(std::min<qsizetype>(offered, input.size() - c.consumed));
        int outLength = room;
        const int status = convert(
            reinterpret_cast<unsigned char*>(buffer.data()), &outLength,
            reinterpret_cast<const unsigned char*>(input.constData()) + c.consumed, &inLength);
        FUZZ_CHECK(inLength >= 0 && outLength >= 0 && outLength <= room);
        c.out.append(buffer.constData(), outLength);
        c.consumed += inLength;
        if (status == -2) {
            c.refused = true;
            break;
        }
        if (inLength > 0 || outLength > 0) {
            offered = piece;
        } else if (c.consumed + offered < input.size()) {
            ++offered;
        } else {
            break;  // an incomplete character at the end
        }
    }
    return c;
}

bool IsUtf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

}  // namespace

ZETROVA_FUZZ_TARGET(cp932) {
    xmlrt::EnsureLibXml();
    static const xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler("Shift_JIS");
    FUZZ_CHECK(handler && handler->input && handler->output);
    FuzzInput in(data, size);
    const int piece = 1 + in.byte() % 8;
    const int room = 3 + in.byte() % 8;  // one character always fits
    const QByteArray bytes = in.rest();
    const int all = static_cast<int>(bytes.size()) + 1;

    const Converted decoded = Convert(handler->input, bytes, all, 3 * all);
    FUZZ_CHECK(Convert(handler->input, bytes, piece, room) == decoded);
    FUZZ_CHECK(IsUtf8(decoded.out));

    const int textSize = static_cast<int>(decoded.out.size()) + 1;
    const Converted encoded = Convert(handler->output, decoded.out, textSize, 2 * textSize);
    FUZZ_CHECK(!encoded.refused && encoded.consumed == decoded.out.size());
    FUZZ_CHECK(Convert(handler->output, decoded.out, piece, room) == encoded);
    FUZZ_CHECK(Convert(handler->input, encoded.out, all, 3 * textSize).out == decoded.out);

    const QByteArray text = QString::fromUtf8(bytes).toUtf8();
    const Converted partial = Convert(handler->output, text, piece, room);
    const QByteArray head = text.left(partial.consumed);
    FUZZ_CHECK(Convert(handler->input, partial.out, all, 3 * all).out == head);
    FUZZ_CHECK(partial.refused == (partial.consumed < text.size()));
    return 0;
}
