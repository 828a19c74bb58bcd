// OpenSSL 3 marks its low-level Blowfish interface deprecated; it is used here only as the
// baseline to measure our cipher against.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <cstdint>
#include <random>
#include <vector>

#include "storage/CBlowfish.h"

namespace {

// A key of the kind the data file is encrypted under: 32 upper-case hexadecimal digits as UTF-16LE.
std::vector<std::uint8_t> BenchKey() {
    const char digits[] = "0123456789ABCDEF0123456789ABCDEF";
    std::vector<std::uint8_t> key;
    for (int i = 0; i < 32; ++i) {
        key.push_back(static_cast<std::uint8_t>(digits[i]));
        key.push_back(0);
    }
    return key;
}

std::vector<std::uint8_t> BenchData(std::size_t size) {
    std::mt19937 engine(42);
    std::vector<std::uint8_t> data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>(engine());
    return data;
}

void BM_BlowfishEncrypt(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> key = BenchKey();
    std::vector<std::uint8_t> buffer = BenchData(size);
    CBlowfish cipher;
    cipher.SetKey(key.data(), key.size());
    for (auto _ : state) {
        cipher.EncryptBuffer(buffer.data(), buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}
BENCHMARK(BM_BlowfishEncrypt)->Arg(65536);

void BM_OpenSSLBlowfishEncrypt(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::vector<std::uint8_t> key = BenchKey();
    std::vector<std::uint8_t> buffer = BenchData(size);
    BF_KEY schedule;
    BF_set_key(&schedule, static_cast<int>(key.size()), key.data());
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < size; offset += 8) {
            BF_ecb_encrypt(buffer.data() + offset, buffer.data() + offset, &schedule, BF_ENCRYPT);
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(size));
}
BENCHMARK(BM_OpenSSLBlowfishEncrypt)->Arg(65536);

// The schedule is paid once per save, load and verifier: 521 chained block encryptions.
void BM_KeySchedule(benchmark::State& state) {
    const std::vector<std::uint8_t> key = BenchKey();
    CBlowfish cipher;
    for (auto _ : state) {
        cipher.SetKey(key.data(), key.size());
        benchmark::DoNotOptimize(cipher);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_KeySchedule);

}  // namespace
