#include "model/CodePage932.h"

#include <iconv.h>
#include <libxml/encoding.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

// Tables built once from iconv's CP932 converter.
struct Cp932Tables {
    std::array<bool, 256> isLead{};
    std::array<char16_t, 256> single{};  // 0 = not a character (except byte 0x00)
    std::vector<char16_t> pair;          // (lead << 8 | trail) -> code point, 0 = none
    std::vector<std::uint16_t> encode;   // code point -> byte or byte pair, 0 = none
};

Cp932Tables* tables = nullptr;

// Decodes one CP932 byte sequence with iconv; returns 0 when it is not exactly one BMP character.
char16_t DecodeWithIconv(iconv_t cd, const unsigned char* bytes, size_t length) {
    char in[2] = {static_cast<char>(bytes[0]), length > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = length;
    size_t outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return 0;
    if (sizeof(out) - outLeft != 4) return 0;
    const auto* u = reinterpret_cast<const unsigned char*>(out);
    const std::uint32_t cp =
        u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
    return cp <= 0xFFFF ? static_cast<char16_t>(cp) : 0;
}

std::uint16_t EncodeWithIconv(iconv_t cd, std::uint32_t cp) {
    char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                  static_cast<char>((cp >> 16) & 0xFF), static_cast<char>(cp >> 24)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    size_t inLeft = sizeof(in);
    size_t outLeft = sizeof(out);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return 0;
    const auto* u = reinterpret_cast<const unsigned char*>(out);
    switch (sizeof(out) - outLeft) {
        case 1:
            return u[0];
        case 2:
            return static_cast<std::uint16_t>(u[0] << 8 | u[1]);
        default:
            return 0;
    }
}

Cp932Tables* BuildTables() {
    iconv_t decoder = iconv_open("UTF-32LE", "CP932");
    iconv_t encoder = iconv_open("CP932", "UTF-32LE");
    if (decoder == reinterpret_cast<iconv_t>(-1) || encoder == reinterpret_cast<iconv_t>(-1)) {
        if (decoder != reinterpret_cast<iconv_t>(-1)) iconv_close(decoder);
        if (encoder != reinterpret_cast<iconv_t>(-1)) iconv_close(encoder);
        return nullptr;
    }
    auto* t = new Cp932Tables;
    t->pair.assign(0x10000, 0);
    t->encode.assign(0x10000, 0);
    for (int b = 0; b < 256; ++b) {
        t->isLead[b] = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (t->isLead[b]) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F) continue;
                const unsigned char bytes[2] = {static_cast<unsigned char>(b),
                                                static_cast<unsigned char>(trail)};
                t->pair[b << 8 | trail] = DecodeWithIconv(decoder, bytes, 2);
            }
        } else if (b != 0) {
            const unsigned char byte = static_cast<unsigned char>(b);
            t->single[b] = DecodeWithIconv(decoder, &byte, 1);
        }
    }
    // A character is encodable only when its bytes decode back to the same character; iconv also
    // maps some characters one way (WAVE DASH U+301C to the bytes of U+FF5E, for example), which
    // would silently change the text.
    for (std::uint32_t cp = 1; cp <= 0xFFFF; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::uint16_t code = EncodeWithIconv(encoder, cp);
        if (code == 0) continue;
        const char16_t back = code > 0xFF ? t->pair[code] : t->single[code];
        if (back == cp) t->encode[cp] = code;
    }
    iconv_close(decoder);
    iconv_close(encoder);
    return t;
}

int PutUtf8(unsigned char* out, unsigned char* end, char16_t cp) {
    if (cp < 0x80) {
        if (end - out < 1) return 0;
        out[0] = static_cast<unsigned char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        if (end - out < 2) return 0;
        out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (end - out < 3) return 0;
    out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 3;
}

// libxml2 input converter: code page 932 bytes to UTF-8. Returns the bytes written, -2 for a
// byte sequence that is not a character; *inlen and *outlen report what was consumed and written.
int Cp932ToUtf8(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    if (!in || !inlen || !outlen) {
        if (outlen) *outlen = 0;
        if (inlen) *inlen = 0;
        return 0;
    }
    const unsigned char* p = in;
    const unsigned char* const end = in + *inlen;
    unsigned char* o = out;
    unsigned char* const outEnd = out + *outlen;
    int status = 0;
    while (p < end) {
        const unsigned char b = *p;
        char16_t cp = 0;
        int used = 1;
        if (b < 0x80) {
            cp = b;
        } else if (tables->isLead[b]) {
            if (end - p < 2) break;  // the trail byte comes with the next chunk
            cp = tables->pair[b << 8 | p[1]];
            used = 2;
        } else {
            cp = tables->single[b];
        }
        if (cp == 0 && b != 0) {
            status = -2;
            break;
        }
        const int written = PutUtf8(o, outEnd, cp);
        if (written == 0) break;  // output full; the rest comes on the next call
        o += written;
        p += used;
    }
    *inlen = static_cast<int>(p - in);
    *outlen = static_cast<int>(o - out);
    return status < 0 ? status : *outlen;
}

// libxml2 output converter: UTF-8 to code page 932. A character without an exact code page 932
// form stops the conversion with -2 so that libxml2 writes it as a character reference.
int Utf8ToCp932(unsigned char* out, int* outlen, const unsigned char* in, int* inlen) {
    if (!in || !inlen || !outlen) {
        if (outlen) *outlen = 0;
        if (inlen) *inlen = 0;
        return 0;
    }
    const unsigned char* p = in;
    const unsigned char* const end = in + *inlen;
    unsigned char* o = out;
    unsigned char* const outEnd = out + *outlen;
    int status = 0;
    while (p < end) {
        const unsigned char b = *p;
        int length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
        if (length == 0) {
            status = -2;
            break;
        }
        if (end - p < length) break;  // the rest of the character comes with the next chunk
        std::uint32_t cp = length == 1 ? b : b & (0xFF >> (length + 1));
        for (int i = 1; i < length; ++i) cp = cp << 6 | (p[i] & 0x3F);
        const std::uint16_t code = cp <= 0xFFFF ? tables->encode[cp] : 0;
        if (code == 0 && cp != 0) {
            status = -2;
            break;
        }
        const int needed = code > 0xFF ? 2 : 1;
        if (outEnd - o < needed) {
            status = -1;
            break;
        }
        if (needed == 2) *o++ = static_cast<unsigned char>(code >> 8);
        *o++ = static_cast<unsigned char>(code & 0xFF);
        p += length;
    }
    *inlen = static_cast<int>(p - in);
    *outlen = static_cast<int>(o - out);
    return status < 0 ? status : *outlen;
}

}  // namespace

void RegisterCodePage932() {
    tables = BuildTables();
    if (!tables) return;  // no CP932 in iconv: libxml2 falls back to its own handlers
    // xmlNewCharEncodingHandler also registers the handler under the upper-cased name.
    if (!xmlNewCharEncodingHandler("Shift_JIS", Cp932ToUtf8, Utf8ToCp932)) return;
    for (const char* alias : {"Shift-JIS", "SJIS", "MS_Kanji", "csShiftJIS", "Windows-31J", "CP932",
                              "MS932", "x-sjis", "x-ms-cp932"})
        xmlAddEncodingAlias("Shift_JIS", alias);
}
