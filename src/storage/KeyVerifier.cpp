#include "storage/KeyVerifier.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "diag/SecureWipe.h"
#include "storage/CBlowfish.h"

namespace {

constexpr std::size_t kPhraseUnits = std::size(kKeyVerifierPhrase) - 1;
constexpr std::size_t kBlockBytes = 2 * kPhraseUnits;
static_assert(kBlockBytes == 16, "the verifier block is two cipher blocks");

// A UTF-16 code unit as it lies in a little-endian byte string.
void AppendUtf16Le(char16_t unit, std::vector<std::uint8_t>& bytes) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
}

}  // namespace

QString MakeKeyVerifier(const QString& key) {
    if (key.isEmpty()) return {};

    // The key's bytes and the encrypted block are as secret as the key: wiped on the way out.
    std::vector<std::uint8_t> keyBytes;
    const WipeOnExit wipeKeyBytes(keyBytes);
    keyBytes.reserve(2 * static_cast<std::size_t>(key.size()));
    for (QChar unit : key) AppendUtf16Le(unit.unicode(), keyBytes);

    std::vector<std::uint8_t> plain;
    plain.reserve(kBlockBytes);
    for (std::size_t i = 0; i < kPhraseUnits; ++i) AppendUtf16Le(kKeyVerifierPhrase[i], plain);

    std::array<std::uint8_t, kBlockBytes> cipherText{};
    struct WipeBlock {
        std::array<std::uint8_t, kBlockBytes>& block;
        ~WipeBlock() { WipeMemory(block.data(), block.size()); }
    } wipeBlock{cipherText};
    CBlowfish cipher;
    cipher.SetKey(keyBytes.data(), keyBytes.size());
    cipher.EncryptBuffer(plain.data(), cipherText.data(), plain.size());

    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    const std::size_t shown = std::min(keyBytes.size(), kBlockBytes);
    QString verifier;
    verifier.reserve(static_cast<qsizetype>(2 * shown));
    for (std::size_t i = 0; i < shown; ++i) {
        verifier.append(QLatin1Char(kHexDigits[cipherText[i] >> 4]));
        verifier.append(QLatin1Char(kHexDigits[cipherText[i] & 0x0F]));
    }
    return verifier;
}
