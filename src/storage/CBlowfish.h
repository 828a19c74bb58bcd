#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/BlowfishTables.h"

// The Blowfish block cipher (64-bit blocks, 16 rounds) applied to each 8-byte block on its own,
// with zero bytes as padding. Bytes 0-3 of a block are its left half and bytes 4-7 its right
// half, each read as a little-endian 32-bit word; published test vectors, written big-endian,
// apply once the bytes inside each 4-byte half are reversed.
//
// An object is made for one operation: keyed with SetKey, used once, destroyed. The tables live
// inside the object (no heap allocation); their contents are undefined until SetKey runs. They
// decrypt whatever the key does, so the object overwrites them when it is destroyed.
class CBlowfish {
public:
    CBlowfish() = default;
    CBlowfish(const CBlowfish&) = default;
    CBlowfish& operator=(const CBlowfish&) = default;
    ~CBlowfish();

    // Status of Encrypt and Decrypt.
    static constexpr int kOk = 0;
    static constexpr int kOutOfMemory = 1;

    // Runs the key schedule. Key bytes are used cyclically, most significant byte of each word
    // first, until 72 bytes have been consumed: bytes after the 72nd have no effect. An empty key
    // leaves the starting values unmixed (callers never pass one).
    void SetKey(const std::uint8_t* key, std::size_t keyLength);

    // Enciphers or deciphers one block, given as its two halves, in place.
    void EncryptBlock(std::uint32_t& left, std::uint32_t& right) const;
    void DecryptBlock(std::uint32_t& left, std::uint32_t& right) const;

    // Encrypts length bytes of input, padded with zero bytes to the next multiple of 8, into
    // output, which must hold that padded length; returns the padded length. Input and output are
    // either the same buffer or do not overlap.
    std::size_t EncryptBuffer(const std::uint8_t* input, std::uint8_t* output,
                              std::size_t length) const;

    // Deciphers ceil(length / 8) whole blocks of input into output, which must hold them all. Where
    // length is not a multiple of 8, the missing bytes of the last input block count as zero. No
    // padding is removed. Input and output are either the same buffer or do not overlap.
    void DecryptBuffer(const std::uint8_t* input, std::uint8_t* output, std::size_t length) const;

    // Keys the object, rounds length up to a multiple of 8 and writes it back, and fills output
    // with the encrypted (or decrypted) input of that rounded length, input bytes past the given
    // length counting as zero. Returns kOk, or kOutOfMemory (length and output untouched) when
    // the output cannot be allocated.
    int Encrypt(const std::uint8_t* input, std::size_t& length, const std::uint8_t* key,
                std::size_t keyLength, std::vector<std::uint8_t>& output);
    int Decrypt(const std::uint8_t* input, std::size_t& length, const std::uint8_t* key,
                std::size_t keyLength, std::vector<std::uint8_t>& output);

private:
    // S0..S3 of 256 words each, in that order; aligned so that each box starts a cache line.
    alignas(64) std::array<std::uint32_t, kBlowfishSWords> s_;
    std::array<std::uint32_t, kBlowfishPWords> p_;
};
