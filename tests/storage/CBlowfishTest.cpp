#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "storage/CBlowfish.h"
#include "storage/ReferenceBlowfish.h"

namespace {

// Eric Young's Blowfish test vectors: key, plaintext, ciphertext, each read big-endian.
struct Vector {
    const char* key;
    const char* plain;
    const char* cipher;
};

constexpr Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

// The variable-key-length set: plaintext FEDCBA9876543210 under the first 1, 2, ..., 24 bytes
// of this key.
constexpr char kLongKey[] = "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677";
constexpr char kLongKeyPlain[] = "FEDCBA9876543210";
constexpr const char* kLongKeyCiphers[] = {
    "F9AD597C49DB005E", "E91D21C1D961A6D6", "E9C2B70A1BC65CF3", "BE1E639408640F05",
    "B39E44481BDB1E6E", "9457AA83B1928C0D", "8BB77032F960629D", "E87A244E2CC85E82",
    "15750E7A4F4EC577", "122BA70B3AB64AE0", "3A833C9AFFC537F6", "9409DA87A90F6BF2",
    "884F80625060B8B4", "1F85031C19E11968", "79D9373A714CA34F", "93142887EE3BE15C",
    "03429E838CE2D14B", "A4299E27469FF67B", "AFD5AED1C1BC96A8", "10851C0E3858DA9F",
    "E6F51ED79B9DB21F", "64A6E14AFD36B46F", "80C7D7D45A5479AD", "05044B62FA52D080",
};

std::uint32_t BigEndianWord(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | std::uint32_t{bytes[at + 3]};
}

Bytes RandomBytes(std::size_t count, std::uint32_t seed) {
    std::mt19937 engine(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(engine());
    return bytes;
}

Bytes Concat(Bytes front, const Bytes& back) {
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

std::size_t Padded(std::size_t length) {
    return (length + 7) / 8 * 8;
}

Bytes ZeroPadded(Bytes bytes) {
    bytes.resize(Padded(bytes.size()), 0);
    return bytes;
}

CBlowfish Keyed(const Bytes& key) {
    CBlowfish cipher;
    cipher.SetKey(key.data(), key.size());
    return cipher;
}

// Encrypts into a separate buffer that has a guard block after the padded length.
Bytes EncryptWith(const CBlowfish& cipher, const Bytes& plain) {
    Bytes out(Padded(plain.size()) + 8, 0xEE);
    EXPECT_EQ(cipher.EncryptBuffer(plain.data(), out.data(), plain.size()), Padded(plain.size()));
    EXPECT_EQ(Bytes(out.end() - 8, out.end()), Bytes(8, 0xEE)) << "written past the padding";
    out.resize(out.size() - 8);
    return out;
}

// The halves of a block, in the words the published vectors show, go straight through the block
// operations; byte blocks go through the buffer operations once each half is reversed.
TEST(CBlowfish, AgreesWithPublishedVectors) {
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(std::string(v.key) + " " + v.plain);
        const Bytes plain = FromHex(v.plain);
        const Bytes cipherText = FromHex(v.cipher);
        const CBlowfish cipher = Keyed(FromHex(v.key));

        std::uint32_t left = BigEndianWord(plain, 0);
        std::uint32_t right = BigEndianWord(plain, 4);
        cipher.EncryptBlock(left, right);
        EXPECT_EQ(left, BigEndianWord(cipherText, 0));
        EXPECT_EQ(right, BigEndianWord(cipherText, 4));
        cipher.DecryptBlock(left, right);
        EXPECT_EQ(left, BigEndianWord(plain, 0));
        EXPECT_EQ(right, BigEndianWord(plain, 4));

        Bytes buffer = EncryptWith(cipher, SwapHalves(plain));
        EXPECT_EQ(buffer, SwapHalves(cipherText));
        cipher.DecryptBuffer(buffer.data(), buffer.data(), 8);
        EXPECT_EQ(buffer, SwapHalves(plain));
    }

    const Bytes longKey = FromHex(kLongKey);
    const Bytes plain = SwapHalves(FromHex(kLongKeyPlain));
    for (std::size_t n = 1; n <= std::size(kLongKeyCiphers); ++n) {
        SCOPED_TRACE(n);
        const Bytes key(longKey.begin(), longKey.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(ToHex(SwapHalves(EncryptWith(Keyed(key), plain))), kLongKeyCiphers[n - 1]);
    }
}

// Key lengths up to and past 72 bytes, and buffers through the multi-block path, the single
// blocks after it and a padded tail, against OpenSSL; decrypting gives back input and zeros.
TEST(CBlowfish, AgreesWithIndependentImplementation) {
    for (std::size_t keyLength : {1u, 3u, 5u, 16u, 56u, 57u, 71u, 72u, 73u, 100u}) {
        for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 24u, 31u, 32u, 33u, 40u, 57u, 64u, 4099u}) {
            SCOPED_TRACE(testing::Message() << keyLength << " byte key, " << length << " bytes");
            const Bytes key = RandomBytes(keyLength, static_cast<std::uint32_t>(keyLength));
            const Bytes plain = RandomBytes(length, static_cast<std::uint32_t>(length + 7));
            const CBlowfish cipher = Keyed(key);

            const Bytes cipherText = EncryptWith(cipher, plain);
            EXPECT_EQ(cipherText, ReferenceEncrypt(key, ZeroPadded(plain)));
            Bytes back(cipherText.size() + 8, 0xEE);
            cipher.DecryptBuffer(cipherText.data(), back.data(), cipherText.size());
            EXPECT_EQ(back, Concat(ZeroPadded(plain), Bytes(8, 0xEE)));
        }
    }
}

// In place, the bytes between the length and the padded length may hold anything: they are
// padding, not data, so the result is that of separate buffers.
TEST(CBlowfish, InPlaceMatchesSeparateBuffers) {
    const CBlowfish cipher = Keyed(FromHex("FEDCBA9876543210"));
    for (std::size_t length = 0; length <= 41; ++length) {
        SCOPED_TRACE(length);
        const Bytes plain = RandomBytes(length, static_cast<std::uint32_t>(length + 100));
        const Bytes separate = EncryptWith(cipher, plain);
        Bytes buffer = plain;
        buffer.resize(Padded(length), 0xA5);
        EXPECT_EQ(cipher.EncryptBuffer(buffer.data(), buffer.data(), length), Padded(length));
        EXPECT_EQ(buffer, separate);
        cipher.DecryptBuffer(buffer.data(), buffer.data(), buffer.size());
        EXPECT_EQ(buffer, ZeroPadded(plain));
    }
}

TEST(CBlowfish, LengthZeroWritesNothing) {
    const CBlowfish cipher = Keyed(FromHex("00"));
    Bytes out(8, 0xEE);
    const std::uint8_t in[1] = {0x42};
    EXPECT_EQ(cipher.EncryptBuffer(in, out.data(), 0), 0u);
    cipher.DecryptBuffer(in, out.data(), 0);
    EXPECT_EQ(out, Bytes(8, 0xEE));

    const Bytes key = FromHex("01");
    std::size_t length = 0;
    Bytes output(3, 0xEE);
    EXPECT_EQ(CBlowfish().Encrypt(in, length, key.data(), key.size(), output), CBlowfish::kOk);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(output.empty());
    EXPECT_EQ(CBlowfish().Decrypt(in, length, key.data(), key.size(), output), CBlowfish::kOk);
    EXPECT_EQ(length, 0u);
    EXPECT_TRUE(output.empty());
}

// A short last input block is read only up to its end (the inputs have their exact size, so a
// read past it shows under AddressSanitizer) and is taken as ending in zeros.
TEST(CBlowfish, DecryptBufferTakesMissingInputBytesAsZero) {
    const CBlowfish cipher = Keyed(FromHex("1F1F1F1F0E0E0E0E"));
    for (std::size_t length : {1u, 7u, 9u, 15u, 33u, 38u}) {
        SCOPED_TRACE(length);
        const Bytes cipherText = RandomBytes(length, static_cast<std::uint32_t>(length));
        Bytes expected = ZeroPadded(cipherText);
        cipher.DecryptBuffer(expected.data(), expected.data(), expected.size());

        Bytes out(Padded(length) + 8, 0xEE);
        cipher.DecryptBuffer(cipherText.data(), out.data(), length);
        EXPECT_EQ(out, Concat(expected, Bytes(8, 0xEE)));

        Bytes inPlace = cipherText;
        inPlace.resize(Padded(length), 0x5A);
        cipher.DecryptBuffer(inPlace.data(), inPlace.data(), length);
        EXPECT_EQ(inPlace, expected);
    }
}

TEST(CBlowfish, KeyBytesRepeatCyclicallyUpTo72Bytes) {
    const Bytes plain = RandomBytes(40, 9);
    auto cipherUnder = [&](const Bytes& key) { return EncryptWith(Keyed(key), plain); };
    auto repeated = [](const Bytes& key, std::size_t count) {
        Bytes out;
        for (std::size_t i = 0; i < count; ++i) out.push_back(key[i % key.size()]);
        return out;
    };

    // Lengths that do and do not divide a 4-byte word or 72.
    for (const Bytes& key : {FromHex("5A"), FromHex("010203"), FromHex("0102030405"),
                             FromHex("00112233445566778899AABBCCDDEEFF0123456789")}) {
        SCOPED_TRACE(ToHex(key));
        EXPECT_EQ(cipherUnder(key), cipherUnder(repeated(key, 72)));
    }

    const Bytes key72 = RandomBytes(72, 72);
    EXPECT_EQ(cipherUnder(Concat(key72, {0xDE, 0xAD, 0xBE, 0xEF, 0x00})), cipherUnder(key72));
    for (std::size_t at : {std::size_t{56}, std::size_t{71}}) {  // no 56-byte limit
        Bytes changed = key72;
        changed[at] ^= 0x80;
        EXPECT_NE(cipherUnder(changed), cipherUnder(key72)) << at;
    }
}

// A second SetKey starts from the standard tables again, not from the previous schedule.
TEST(CBlowfish, SetKeyReplacesThePreviousKey) {
    const Vector& v = kVectors[4];
    CBlowfish cipher;
    const Bytes other = FromHex("FFFFFFFFFFFFFFFF");
    const Bytes key = FromHex(v.key);
    cipher.SetKey(other.data(), other.size());
    cipher.SetKey(key.data(), key.size());
    EXPECT_EQ(ToHex(SwapHalves(EncryptWith(cipher, SwapHalves(FromHex(v.plain))))), v.cipher);
}

// Encrypt and Decrypt read exactly the given length (the inputs have their exact size) and
// round it up to whole blocks.
TEST(CBlowfish, EncryptAndDecryptRoundToWholeBlocks) {
    const Bytes key = FromHex("0123456789ABCDEF0123");
    for (std::size_t length : {1u, 8u, 13u, 77u}) {
        SCOPED_TRACE(length);
        const Bytes plain = RandomBytes(length, static_cast<std::uint32_t>(length));
        std::size_t encryptedLength = length;
        Bytes encrypted;
        ASSERT_EQ(
            CBlowfish().Encrypt(plain.data(), encryptedLength, key.data(), key.size(), encrypted),
            CBlowfish::kOk);
        EXPECT_EQ(encryptedLength, Padded(length));
        EXPECT_EQ(encrypted, ReferenceEncrypt(key, ZeroPadded(plain)));

        // One byte short: the missing byte counts as zero, the length is rounded up again.
        std::size_t decryptedLength = encrypted.size() - 1;
        const Bytes cut(encrypted.begin(), encrypted.end() - 1);
        Bytes decrypted;
        ASSERT_EQ(
            CBlowfish().Decrypt(cut.data(), decryptedLength, key.data(), key.size(), decrypted),
            CBlowfish::kOk);
        EXPECT_EQ(decryptedLength, Padded(length));
        Bytes expected = encrypted;
        expected.back() = 0;
        Keyed(key).DecryptBuffer(expected.data(), expected.data(), expected.size());
        EXPECT_EQ(decrypted, expected);
    }
}

// A length that cannot be rounded up or allocated is a failure, never an empty success.
TEST(CBlowfish, ImpossibleOutputIsReportedAsFailure) {
    const Bytes key = FromHex("01");
    const std::uint8_t in[8] = {};
    for (std::size_t length : {std::numeric_limits<std::size_t>::max() - 3,
                               std::numeric_limits<std::size_t>::max() - 100}) {
        std::size_t asked = length;
        Bytes output = {1, 2, 3};
        EXPECT_EQ(CBlowfish().Encrypt(in, asked, key.data(), key.size(), output),
                  CBlowfish::kOutOfMemory);
        EXPECT_EQ(CBlowfish().Decrypt(in, asked, key.data(), key.size(), output),
                  CBlowfish::kOutOfMemory);
        EXPECT_EQ(asked, length);
        EXPECT_EQ(output, (Bytes{1, 2, 3}));
    }
}

// Callers never pass an empty key; if one slips through, the cipher still works and does not
// divide by the zero length.
TEST(CBlowfish, EmptyKeyIsHarmless) {
    CBlowfish cipher;
    cipher.SetKey(nullptr, 0);
    const Bytes plain = RandomBytes(16, 3);
    Bytes buffer = EncryptWith(cipher, plain);
    EXPECT_NE(buffer, plain);
    cipher.DecryptBuffer(buffer.data(), buffer.data(), 16);
    EXPECT_EQ(buffer, plain);
}

}  // namespace
