#pragma once

// One fuzz target per input the program reads. Each target file defines its entry with
// ZETROVA_FUZZ_TARGET(name) and checks properties with FUZZ_CHECK. Built with ZETROVA_LIBFUZZER
// the entry is libFuzzer's LLVMFuzzerTestOneInput; otherwise it is registered by name, and the
// replay test runs it over the seed corpus and the kept regression inputs.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "model/XmlDocument.h"

// A property that holds for every input. A failure prints what broke and aborts: a finding for
// libFuzzer, a crash of the replay test.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

using FuzzEntry = int (*)(const std::uint8_t* data, std::size_t size);

#ifdef ZETROVA_LIBFUZZER
#define ZETROVA_FUZZ_TARGET(name) \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#else
bool RegisterFuzzTarget(const char* name, FuzzEntry entry);
#define ZETROVA_FUZZ_TARGET(name)                                \
    static int FuzzOne_##name(const std::uint8_t*, std::size_t); \
    [[maybe_unused]] static const bool fuzzRegistered_##name =   \
        RegisterFuzzTarget(#name, FuzzOne_##name);               \
    static int FuzzOne_##name(const std::uint8_t* data, std::size_t size)
#endif

// Reads a fuzz input front to back: single bytes for choices, the rest as it is. Past the end
// every byte reads as zero.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool atEnd() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // An entry of a table, chosen by the next byte.
    template <class T, std::size_t N>
    const T& pick(const T (&table)[N]) {
        return table[byte() % N];
    }
    QByteArray rest() {
        const QByteArray bytes(reinterpret_cast<const char*>(data_ + pos_),
                               static_cast<qsizetype>(size_ - pos_));
        pos_ = size_;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A text of a table, escaped for XML text and attribute values: the targets that build documents
// from their input write them as data text.
QString Escaped(const char16_t* text);

// A path in a folder of this process that is removed at exit; for inputs the program reads
// from a file.
QString FuzzFilePath(const QString& name);
// Replaces the file at path by bytes.
void WriteFuzzFile(const QString& path, const QByteArray& bytes);

// Every group the group tree shows for the document is found again from its chain of labels, as
// the commands find the current group.
void CheckGroupTree(const XmlDocument& document);
