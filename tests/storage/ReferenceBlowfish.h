#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Bytes from hexadecimal text ("4EF99745...").
Bytes FromHex(std::string_view hex);
// Upper-case hexadecimal text of bytes.
std::string ToHex(const Bytes& bytes);
// Reverses the bytes inside each 4-byte group: turns the big-endian halves of published vectors
// into the little-endian halves of our block layout and back.
Bytes SwapHalves(Bytes bytes);

// Blowfish ECB through OpenSSL, an implementation independent of ours, taking and giving blocks
// in our layout. The data length must be a multiple of 8; OpenSSL also uses at most 72 key bytes.
Bytes ReferenceEncrypt(const Bytes& key, const Bytes& data);
