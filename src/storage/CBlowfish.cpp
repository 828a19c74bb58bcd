#include "storage/CBlowfish.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "diag/SecureWipe.h"

namespace {

constexpr std::size_t kBlockBytes = 8;
// Independent blocks enciphered side by side, so that the table look-ups of one block overlap
// with those of the others instead of waiting on its own previous round.
constexpr std::size_t kLanes = 4;
// Key bytes consumed by the schedule: one 32-bit word for each P-array entry.
constexpr std::size_t kKeyBytesUsed = 4 * kBlowfishPWords;

std::uint32_t LoadWord(const std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    } else {
        return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
               std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
    }
}

void StoreWord(std::uint32_t word, std::uint8_t* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes, &word, sizeof word);
    } else {
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
}

inline std::uint32_t Feistel(const std::uint32_t* s, std::uint32_t x) {
    // The box offsets stay pointer arithmetic so that they fold into the load addresses.
    const std::uint32_t* s0 = s;
    const std::uint32_t* s1 = s + 256;
    const std::uint32_t* s2 = s + 512;
    const std::uint32_t* s3 = s + 768;
    return ((s0[x >> 24] + s1[(x >> 16) & 0xFF]) ^ s2[(x >> 8) & 0xFF]) + s3[x & 0xFF];
}

// The P-array entry used at step i: decryption takes the array in reverse.
template <bool kDecrypt>
constexpr std::size_t PIndex(std::size_t i) {
    return kDecrypt ? kBlowfishPWords - 1 - i : i;
}

// Sixteen rounds over N independent blocks at once. The halves are not exchanged between rounds;
// instead the rounds alternate which half they change, and the halves trade places at the end.
template <std::size_t N, bool kDecrypt>
inline void CipherBlocks(const std::uint32_t* p, const std::uint32_t* s, std::uint32_t (&l)[N],
                         std::uint32_t (&r)[N]) {
    const std::uint32_t first = p[PIndex<kDecrypt>(0)];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k) l[k] ^= first;
#pragma GCC unroll 8
    for (std::size_t i = 1; i < 17; i += 2) {
        const std::uint32_t toRight = p[PIndex<kDecrypt>(i)];
#pragma GCC unroll 16
        for (std::size_t k = 0; k < N; ++k) r[k] ^= Feistel(s, l[k]) ^ toRight;
        const std::uint32_t toLeft = p[PIndex<kDecrypt>(i + 1)];
#pragma GCC unroll 16
        for (std::size_t k = 0; k < N; ++k) l[k] ^= Feistel(s, r[k]) ^ toLeft;
    }
    const std::uint32_t last = p[PIndex<kDecrypt>(17)];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k) {
        const std::uint32_t left = r[k] ^ last;
        r[k] = l[k];
        l[k] = left;
    }
}

// Reads N consecutive blocks, enciphers or deciphers them and writes them back. All input is read
// before anything is written, so input and output may be the same buffer.
template <std::size_t N, bool kDecrypt>
inline void CipherBytes(const std::uint32_t* p, const std::uint32_t* s, const std::uint8_t* in,
                        std::uint8_t* out) {
    std::uint32_t l[N];
    std::uint32_t r[N];
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k) {
        l[k] = LoadWord(in + kBlockBytes * k);
        r[k] = LoadWord(in + kBlockBytes * k + 4);
    }
    CipherBlocks<N, kDecrypt>(p, s, l, r);
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k) {
        StoreWord(l[k], out + kBlockBytes * k);
        StoreWord(r[k], out + kBlockBytes * k + 4);
    }
}

// Runs the cipher over the whole blocks of length bytes and, when length is not a multiple of 8,
// over one more block made of the remaining bytes and zeros. Returns the bytes written.
template <bool kDecrypt>
std::size_t CipherBuffer(const std::uint32_t* p, const std::uint32_t* s, const std::uint8_t* in,
                         std::uint8_t* out, std::size_t length) {
    const std::size_t whole = length - length % kBlockBytes;
    std::size_t offset = 0;
    for (; whole - offset >= kLanes * kBlockBytes; offset += kLanes * kBlockBytes) {
        CipherBytes<kLanes, kDecrypt>(p, s, in + offset, out + offset);
    }
    for (; offset < whole; offset += kBlockBytes) {
        CipherBytes<1, kDecrypt>(p, s, in + offset, out + offset);
    }
    if (offset < length) {
        std::uint8_t tail[kBlockBytes] = {};
        std::memcpy(tail, in + offset, length - offset);
        CipherBytes<1, kDecrypt>(p, s, tail, out + offset);
        offset += kBlockBytes;
    }
    return offset;
}

// The length rounded up to a whole number of blocks, or nothing when that does not fit.
bool PaddedLength(std::size_t length, std::size_t& padded) {
    const std::size_t rest = length % kBlockBytes;
    if (rest == 0) {
        padded = length;
        return true;
    }
    if (length > std::numeric_limits<std::size_t>::max() - (kBlockBytes - rest)) return false;
    padded = length + (kBlockBytes - rest);
    return true;
}

// Makes a zero-filled output of the padded length, or reports that it cannot be had.
bool AllocateOutput(std::size_t length, std::size_t& padded, std::vector<std::uint8_t>& output) {
    if (!PaddedLength(length, padded)) return false;
    try {
        std::vector<std::uint8_t> buffer(padded, 0);
        output.swap(buffer);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

}  // namespace

CBlowfish::~CBlowfish() {
    WipeMemory(p_.data(), sizeof p_);
    WipeMemory(s_.data(), sizeof s_);
}

void CBlowfish::SetKey(const std::uint8_t* key, std::size_t keyLength) {
    std::copy_n(kBlowfishInitialTable.begin(), kBlowfishPWords, p_.begin());
    std::copy_n(kBlowfishInitialTable.begin() + kBlowfishPWords, kBlowfishSWords, s_.begin());

    if (keyLength > 0) {
        const std::size_t used = std::min(keyLength, kKeyBytesUsed);
        std::size_t j = 0;
        for (std::uint32_t& entry : p_) {
            std::uint32_t word = 0;
            for (int b = 0; b < 4; ++b) {
                word = word << 8 | key[j];
                if (++j == used) j = 0;
            }
            entry ^= word;
        }
    }

    std::uint32_t left = 0;
    std::uint32_t right = 0;
    for (std::size_t i = 0; i < kBlowfishPWords; i += 2) {
        EncryptBlock(left, right);
        p_[i] = left;
        p_[i + 1] = right;
    }
    for (std::size_t i = 0; i < kBlowfishSWords; i += 2) {
        EncryptBlock(left, right);
        s_[i] = left;
        s_[i + 1] = right;
    }
}

void CBlowfish::EncryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l[1] = {left};
    std::uint32_t r[1] = {right};
    CipherBlocks<1, false>(p_.data(), s_.data(), l, r);
    left = l[0];
    right = r[0];
}

void CBlowfish::DecryptBlock(std::uint32_t& left, std::uint32_t& right) const {
    std::uint32_t l[1] = {left};
    std::uint32_t r[1] = {right};
    CipherBlocks<1, true>(p_.data(), s_.data(), l, r);
    left = l[0];
    right = r[0];
}

std::size_t CBlowfish::EncryptBuffer(const std::uint8_t* input, std::uint8_t* output,
                                     std::size_t length) const {
    return CipherBuffer<false>(p_.data(), s_.data(), input, output, length);
}

void CBlowfish::DecryptBuffer(const std::uint8_t* input, std::uint8_t* output,
                              std::size_t length) const {
    CipherBuffer<true>(p_.data(), s_.data(), input, output, length);
}

// Only the given length of input is read; the padding up to the rounded length is supplied as
// zeros by the buffer operation, so a caller's buffer is never read past its end.
int CBlowfish::Encrypt(const std::uint8_t* input, std::size_t& length, const std::uint8_t* key,
                       std::size_t keyLength, std::vector<std::uint8_t>& output) {
    std::size_t padded = 0;
    if (!AllocateOutput(length, padded, output)) return kOutOfMemory;
    SetKey(key, keyLength);
    EncryptBuffer(input, output.data(), length);
    length = padded;
    return kOk;
}

int CBlowfish::Decrypt(const std::uint8_t* input, std::size_t& length, const std::uint8_t* key,
                       std::size_t keyLength, std::vector<std::uint8_t>& output) {
    std::size_t padded = 0;
    if (!AllocateOutput(length, padded, output)) return kOutOfMemory;
    SetKey(key, keyLength);
    DecryptBuffer(input, output.data(), length);
    length = padded;
    return kOk;
}
