#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Sizes of the cipher's key-dependent tables: the P-array and the four S-boxes of 256 words each.
inline constexpr std::size_t kBlowfishPWords = 18;
inline constexpr std::size_t kBlowfishSWords = 4 * 256;
inline constexpr std::size_t kBlowfishTableWords = kBlowfishPWords + kBlowfishSWords;

// The standard starting values of the P-array (first 18 words) followed by those of the S-boxes
// S0, S1, S2, S3 (1024 words), copied into every cipher object before its key is mixed in.
extern const std::array<std::uint32_t, kBlowfishTableWords> kBlowfishInitialTable;
