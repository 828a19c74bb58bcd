#define OPENSSL_SUPPRESS_DEPRECATED
#include "storage/ReferenceBlowfish.h"

#include <openssl/blowfish.h>

#include <algorithm>
#include <stdexcept>

Bytes FromHex(std::string_view hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

Bytes SwapHalves(Bytes bytes) {
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::reverse(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                     bytes.begin() + static_cast<std::ptrdiff_t>(i + 4));
    }
    return bytes;
}

Bytes ReferenceEncrypt(const Bytes& key, const Bytes& data) {
    if (data.size() % 8 != 0) throw std::invalid_argument("not a whole number of blocks");
    BF_KEY schedule;
    BF_set_key(&schedule, static_cast<int>(key.size()), key.data());
    const Bytes bigEndian = SwapHalves(data);
    Bytes out(bigEndian.size());
    for (std::size_t i = 0; i < bigEndian.size(); i += 8) {
        BF_ecb_encrypt(bigEndian.data() + i, out.data() + i, &schedule, BF_ENCRYPT);
    }
    return SwapHalves(out);
}
