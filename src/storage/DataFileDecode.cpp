#include "storage/DataFileDecode.h"

#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "diag/SecureWipe.h"
#include "model/DataTextUtf8.h"
#include "storage/CBlowfish.h"
#include "storage/DataFileCodec.h"
#include "storage/Sha256.h"

namespace {

// Ciphertext bytes deciphered at a time: a whole number of blocks, large enough that the two
// threads seldom wait for each other (smaller pieces measured slower, larger ones no faster).
constexpr std::size_t kPieceBytes = 256 * 1024;
// Pieces on their way between the two threads.
constexpr std::size_t kPiecesInFlight = 4;

struct Piece {
    std::vector<char> text;  // UTF-8
    std::size_t size = 0;
};

// The pieces of text between the thread that deciphers them and the one that parses them. A
// piece is written only while it is not on its way, and read only while it is, so the lock
// guards the counts alone.
class PieceRing {
public:
    // For pieces of at most pieceBytes of ciphertext.
    explicit PieceRing(std::size_t pieceBytes) {
        const auto units = static_cast<qsizetype>(pieceBytes / 2);
        for (Piece& p : pieces_)
            p.text.resize(static_cast<std::size_t>(DataTextUtf8::requiredSpace(units)));
    }
    ~PieceRing() {
        for (Piece& p : pieces_) WipeMemory(p.text.data(), p.text.size());
    }
    PieceRing(const PieceRing&) = delete;
    PieceRing& operator=(const PieceRing&) = delete;

    // The deciphering side: the next piece to fill, once there is room for it; nullptr once the
    // parsing side has stopped.
    Piece* nextToFill() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return stopped_ || filled_ - parsed_ < kPiecesInFlight; });
        return stopped_ ? nullptr : &pieces_[filled_ % kPiecesInFlight];
    }
    void filled() {
        change([&] { ++filled_; });
    }
    void close() {
        change([&] { closed_ = true; });
    }

    // The parsing side: the next filled piece, once there is one; nullptr at the end.
    const Piece* nextToParse() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return closed_ || parsed_ < filled_; });
        return parsed_ < filled_ ? &pieces_[parsed_ % kPiecesInFlight] : nullptr;
    }
    void parsed() {
        change([&] { ++parsed_; });
    }
    void stop() {
        change([&] { stopped_ = true; });
    }

private:
    // Changes the counts under the lock and wakes the other side.
    template <class Change>
    void change(Change apply) {
        {
            const std::lock_guard lock(mutex_);
            apply();
        }
        changed_.notify_all();
    }

    std::array<Piece, kPiecesInFlight> pieces_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t filled_ = 0;
    std::size_t parsed_ = 0;
    bool closed_ = false;
    bool stopped_ = false;
};

// Deciphers the file a piece at a time into the ring, hashing every byte it reads.
class Decipherer {
public:
    Decipherer(const QByteArray& fileBytes, const QString& verifier, std::size_t pieceBytes)
        : input_(reinterpret_cast<const std::uint8_t*>(fileBytes.constData())),
          size_(static_cast<std::size_t>(fileBytes.size())),
          pieceBytes_(pieceBytes),
          units_(pieceBytes / 2) {
        QByteArray key = DataFileKey(verifier);
        const WipeOnExit wipeKey(key);
        cipher_.SetKey(reinterpret_cast<const std::uint8_t*>(key.constData()),
                       static_cast<std::size_t>(key.size()));
    }
    ~Decipherer() { WipeMemory(units_.data(), units_.size() * sizeof(char16_t)); }
    Decipherer(const Decipherer&) = delete;
    Decipherer& operator=(const Decipherer&) = delete;

    // Fills one more piece; false once the text has ended (or the parsing side has stopped).
    // After the end of the text only the hash goes on, over the bytes that are left.
    bool step(PieceRing& ring) {
        if (text_.ended() || done_ == size_) {
            hashRest();
            return false;
        }
        Piece* piece = ring.nextToFill();
        if (!piece) return false;
        const std::size_t n = std::min(pieceBytes_, size_ - done_);
        hash_.add(reinterpret_cast<const char*>(input_ + done_), static_cast<qint64>(n));
        cipher_.DecryptBuffer(input_ + done_, reinterpret_cast<std::uint8_t*>(units_.data()), n);
        done_ += n;
        const std::size_t units = (n + 7) / 8 * 4;  // whole blocks, the last one zero-completed
        if constexpr (QSysInfo::ByteOrder != QSysInfo::LittleEndian)
            qFromLittleEndian<char16_t>(units_.data(), static_cast<qsizetype>(units),
                                        units_.data());
        char* end = text_.append(QStringView(units_.data(), static_cast<qsizetype>(units)),
                                 piece->text.data());
        if (done_ == size_) end = text_.finish(end);
        piece->size = static_cast<std::size_t>(end - piece->text.data());
        ring.filled();
        return true;
    }

    // Runs step until the end, then closes the ring: the second thread's whole work. The last
    // blocks deciphered would otherwise stay on the ended thread's stack.
    void run(PieceRing& ring) {
        while (step(ring)) {
        }
        ring.close();
        WipeUsedStack();
    }

    // Hashes what has not been read yet; the digest of the whole file then.
    void hashRest() {
        hash_.add(reinterpret_cast<const char*>(input_ + done_),
                  static_cast<qint64>(size_ - done_));
        done_ = size_;
    }
    QByteArray digest() {
        hashRest();
        return hash_.digest();
    }

private:
    const std::uint8_t* input_;
    std::size_t size_;
    std::size_t pieceBytes_;  // a whole number of blocks
    std::size_t done_ = 0;    // bytes deciphered or hashed
    CBlowfish cipher_;
    Sha256Stream hash_;
    DataTextUtf8 text_;
    std::vector<char16_t> units_;  // one piece of plaintext
};

// The parser's reader: the pieces of the ring in turn. Without a second thread it fills each
// piece itself before it reads it.
class PieceReader {
public:
    PieceReader(PieceRing& ring, Decipherer* inlineDecipherer)
        : ring_(ring), inline_(inlineDecipherer) {}

    int read(char* out, int room) {
        while (!current_ || handed_ == current_->size) {
            if (current_) ring_.parsed();
            current_ = nullptr;
            handed_ = 0;
            if (inline_ && !inline_->step(ring_)) ring_.close();
            current_ = ring_.nextToParse();
            if (!current_) return 0;
        }
        const std::size_t n = std::min(static_cast<std::size_t>(room), current_->size - handed_);
        std::memcpy(out, current_->text.data() + handed_, n);
        handed_ += n;
        return static_cast<int>(n);
    }

private:
    PieceRing& ring_;
    Decipherer* inline_;
    const Piece* current_ = nullptr;
    std::size_t handed_ = 0;
};

// The second thread, stopped and joined on every way out, an exception from the parser included.
class DecipherThread {
public:
    DecipherThread(Decipherer& decipherer, PieceRing& ring) : ring_(ring) {
        try {
            thread_ = std::thread([&decipherer, &ring] { decipherer.run(ring); });
        } catch (const std::system_error&) {
            // No thread to be had: the parser's reader deciphers each piece itself.
        }
    }
    ~DecipherThread() { join(); }
    DecipherThread(const DecipherThread&) = delete;
    DecipherThread& operator=(const DecipherThread&) = delete;

    bool running() const { return thread_.joinable(); }
    void join() {
        ring_.stop();
        if (thread_.joinable()) thread_.join();
    }

private:
    PieceRing& ring_;
    std::thread thread_;
};

}  // namespace

DecodedDataFile DecodeDataFileBytes(const QByteArray& fileBytes, const QString& verifier) {
    DecodedDataFile result;
    // A small file needs no larger pieces than itself (whole blocks, at least one).
    const auto size = static_cast<std::size_t>(fileBytes.size());
    const std::size_t pieceBytes = std::clamp<std::size_t>((size + 7) / 8 * 8, 8, kPieceBytes);
    std::optional<PieceRing> ring;
    std::optional<Decipherer> decipherer;
    try {
        ring.emplace(pieceBytes);
        decipherer.emplace(fileBytes, verifier, pieceBytes);
    } catch (const std::bad_alloc&) {
        return result;
    }
    result.deciphered = true;
    DecipherThread second(*decipherer, *ring);
    PieceReader reader(*ring, second.running() ? nullptr : &*decipherer);
    result.parsed = XmlDocument::parseDataStream(
        [&reader](char* out, int room) { return reader.read(out, room); });
    second.join();
    if (result.parsed.ok()) result.sha256 = decipherer->digest();
    return result;
}
