// Loading and saving the data file for a large document, against a baseline made of OpenSSL's
// Blowfish and libxml2's own parser on the same bytes.
//
// OpenSSL 3 marks its low-level Blowfish interface deprecated; it is used here only as the
// baseline.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <openssl/blowfish.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>
#include <random>
#include <vector>

#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/DataFileCodec.h"
#include "storage/KeyVerifier.h"
#include "support/Documents.h"

namespace {

constexpr int kGroups = 1000;
constexpr int kItems = 100000;
constexpr int kMaxDepth = 4;  // groups below the root group

// A value of 20 to 40 characters; one in five is Japanese.
QString RandomValue(std::mt19937& rng) {
    static const QString ascii =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_#@!");
    static const QString japanese =
        QStringLiteral("あいうえおかきくけこさしすせそ日本語情報管理銀行口座暗証番号①～");
    const QString& pool = rng() % 5 == 0 ? japanese : ascii;
    const int length = 20 + static_cast<int>(rng() % 21);
    QString value;
    for (int i = 0; i < length; ++i) value += pool.at(static_cast<qsizetype>(rng() % pool.size()));
    return value;
}

// 1,000 groups nested up to four levels below the root group, 100 items in each (one in ten
// secret), always built the same way.
XmlDocument LargeDocument() {
    std::mt19937 rng(20240601);
    XmlDocument doc = schema::CreateNewDocument();
    struct Placed {
        XmlNode node;
        int depth;
    };
    std::vector<Placed> parents{{doc.documentElement(), 0}};
    std::vector<XmlNode> groups;
    for (int g = 0; g < kGroups; ++g) {
        const Placed parent = parents[rng() % parents.size()];
        XmlNode group = Add(parent.node, schema::kGroup, QStringLiteral("group%1").arg(g));
        groups.push_back(group);
        if (parent.depth + 1 < kMaxDepth) parents.push_back({group, parent.depth + 1});
    }
    for (int i = 0; i < kItems; ++i) {
        const bool secret = rng() % 10 == 0;
        Add(groups[static_cast<std::size_t>(i / (kItems / kGroups))],
            secret ? schema::kSecret : schema::kItem,
            QStringLiteral("item%1").arg(i, 6, 10, QChar(u'0')), RandomValue(rng));
    }
    return doc;
}

// The bench's files: the data file of the large document, written once.
struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Zetrova.dat"));
    QString verifier = MakeKeyVerifier(QStringLiteral("Zetrova!"));
    DocumentState state;

    Fixture() {
        state.document = LargeDocument();
        state.root = state.document.documentElement();
        state.keyVerifier = verifier;
        SaveDataFile(state, path, false, nullptr);
    }
    QByteArray fileBytes() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    AskKeyFn askKey() const {
        return [v = verifier](QString& out) {
            out = v;
            return true;
        };
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void SetBytes(benchmark::State& state, qsizetype bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// Read, decrypt, parse: the whole LoadDataFile, freeing the document it made included.
void BM_LoadDataFile(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        DocumentState loaded;
        if (!LoadDataFile(loaded, f.path, f.askKey())) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(loaded.root);
    }
    SetBytes(state, f.fileBytes().size());
}
BENCHMARK(BM_LoadDataFile)->Unit(benchmark::kMillisecond);

// Serialise, encrypt, write safely (temporary file, sync, rename).
void BM_SaveDataFile(benchmark::State& state) {
    Fixture& f = Shared();
    const QString path = f.dir.filePath(QStringLiteral("saved.dat"));
    for (auto _ : state) {
        if (!SaveDataFile(f.state, path, false, nullptr)) state.SkipWithError("save failed");
    }
    SetBytes(state, f.fileBytes().size());
}
BENCHMARK(BM_SaveDataFile)->Unit(benchmark::kMillisecond);

// The baselines' file read, key schedule and parse, shared by both of them.
QByteArray ReadWholeFile(const QString& path, benchmark::State& state) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) state.SkipWithError("read failed");
    return file.readAll();
}

BF_KEY OpenSslSchedule(const QByteArray& key) {
    BF_KEY schedule;
    BF_set_key(&schedule, static_cast<int>(key.size()),
               reinterpret_cast<const unsigned char*>(key.constData()));
    return schedule;
}

// libxml2 on the UTF-16LE text up to its first zero code unit, dropping the indentation as the
// loader does; the document is freed again, as the real load frees the one it replaces.
void ParseAndFreeBaseline(const std::vector<unsigned char>& plain, benchmark::State& state) {
    std::size_t end = 0;
    while (end + 1 < plain.size() && (plain[end] | plain[end + 1]) != 0) end += 2;
    xmlDocPtr doc = xmlReadMemory(
        reinterpret_cast<const char*>(plain.data()), static_cast<int>(end), nullptr, "UTF-16LE",
        XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC | XML_PARSE_NOBLANKS);
    if (!doc || !xmlDocGetRootElement(doc)) state.SkipWithError("baseline parse failed");
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
}

// The same load with OpenSSL and libxml2 alone: read the file, decrypt every block with
// BF_decrypt on the halves loaded little-endian (the half swap that BF_ecb_encrypt would need
// costs nothing here, so the baseline is as fast as OpenSSL can be), then xmlReadMemory of the
// UTF-16LE text up to its first zero code unit, dropping the indentation as the loader does.
// Freeing the document is included, as it is for BM_LoadDataFile.
void BM_LoadBaseline(benchmark::State& state) {
    Fixture& f = Shared();
    const QByteArray key = DataFileKey(f.verifier);
    for (auto _ : state) {
        QByteArray bytes = ReadWholeFile(f.path, state);
        const BF_KEY schedule = OpenSslSchedule(key);
        std::vector<unsigned char> plain(static_cast<std::size_t>(bytes.size()));
        for (qsizetype i = 0; i + 8 <= bytes.size(); i += 8) {
            BF_LONG halves[2] = {qFromLittleEndian<quint32>(bytes.constData() + i),
                                 qFromLittleEndian<quint32>(bytes.constData() + i + 4)};
            BF_decrypt(halves, &schedule);
            qToLittleEndian<quint32>(halves[0], plain.data() + i);
            qToLittleEndian<quint32>(halves[1], plain.data() + i + 4);
        }
        ParseAndFreeBaseline(plain, state);
    }
    SetBytes(state, f.fileBytes().size());
}
BENCHMARK(BM_LoadBaseline)->Unit(benchmark::kMillisecond);

// The same baseline through BF_ecb_encrypt, with the half swap done as a pass of its own over
// the ciphertext and the plaintext: what decrypting this format with OpenSSL's block interface
// costs.
void BM_LoadBaselineEcbSwap(benchmark::State& state) {
    Fixture& f = Shared();
    const QByteArray key = DataFileKey(f.verifier);
    for (auto _ : state) {
        QByteArray bytes = ReadWholeFile(f.path, state);
        const BF_KEY schedule = OpenSslSchedule(key);
        auto swapHalves = [](unsigned char* p, std::size_t n) {
            for (std::size_t i = 0; i + 4 <= n; i += 4) {
                quint32 w;
                std::memcpy(&w, p + i, 4);
                w = qbswap(w);
                std::memcpy(p + i, &w, 4);
            }
        };
        auto* cipher = reinterpret_cast<unsigned char*>(bytes.data());
        const std::size_t n = static_cast<std::size_t>(bytes.size()) / 8 * 8;
        swapHalves(cipher, n);
        std::vector<unsigned char> plain(n);
        for (std::size_t i = 0; i < n; i += 8)
            BF_ecb_encrypt(cipher + i, plain.data() + i, &schedule, BF_DECRYPT);
        swapHalves(plain.data(), n);
        ParseAndFreeBaseline(plain, state);
    }
    SetBytes(state, f.fileBytes().size());
}
BENCHMARK(BM_LoadBaselineEcbSwap)->Unit(benchmark::kMillisecond);

// The steps of a load and a save on their own, to see where the time goes.
void BM_DataFileDecrypt(benchmark::State& state) {
    Fixture& f = Shared();
    const QByteArray bytes = f.fileBytes();
    for (auto _ : state) {
        std::vector<std::uint8_t> plain;
        DecryptDataFile(bytes, f.verifier, plain);
        benchmark::DoNotOptimize(plain.data());
    }
    SetBytes(state, bytes.size());
}
BENCHMARK(BM_DataFileDecrypt)->Unit(benchmark::kMillisecond);

void BM_DataFileTextOf(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<std::uint8_t> plain;
    DecryptDataFile(f.fileBytes(), f.verifier, plain);
    for (auto _ : state) benchmark::DoNotOptimize(DataTextOf(plain));
    SetBytes(state, static_cast<qsizetype>(plain.size()));
}
BENCHMARK(BM_DataFileTextOf)->Unit(benchmark::kMillisecond);

void BM_DataFileParse(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<std::uint8_t> plain;
    DecryptDataFile(f.fileBytes(), f.verifier, plain);
    const QString text = DataTextOf(plain);
    for (auto _ : state) {
        XmlParseResult parsed = ParseDataText(text);
        if (!parsed.ok()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(parsed.document);
    }
    SetBytes(state, text.size() * 2);
}
BENCHMARK(BM_DataFileParse)->Unit(benchmark::kMillisecond);

// libxml2 alone on the same text already in UTF-8: the floor for BM_DataFileParse.
void BM_ParseBaselineUtf8(benchmark::State& state) {
    Fixture& f = Shared();
    std::vector<std::uint8_t> plain;
    DecryptDataFile(f.fileBytes(), f.verifier, plain);
    const QByteArray utf8 = DataTextOf(plain).toUtf8();
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadMemory(
            utf8.constData(), static_cast<int>(utf8.size()), nullptr, "UTF-8",
            XML_PARSE_NONET | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC | XML_PARSE_NOBLANKS);
        if (!doc) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(doc);
        xmlFreeDoc(doc);
    }
    SetBytes(state, utf8.size());
}
BENCHMARK(BM_ParseBaselineUtf8)->Unit(benchmark::kMillisecond);

void BM_DataFileSerialize(benchmark::State& state) {
    Fixture& f = Shared();
    qsizetype size = 0;
    for (auto _ : state) {
        const QByteArray plain = SerializeDocument(f.state.document);
        size = plain.size();
        benchmark::DoNotOptimize(plain.constData());
    }
    SetBytes(state, size);
}
BENCHMARK(BM_DataFileSerialize)->Unit(benchmark::kMillisecond);

void BM_DataFileEncrypt(benchmark::State& state) {
    Fixture& f = Shared();
    const QByteArray plain = SerializeDocument(f.state.document);
    for (auto _ : state) {
        std::vector<std::uint8_t> cipher;
        EncryptDataText(plain, f.verifier, cipher);
        benchmark::DoNotOptimize(cipher.data());
    }
    SetBytes(state, plain.size());
}
BENCHMARK(BM_DataFileEncrypt)->Unit(benchmark::kMillisecond);

}  // namespace
