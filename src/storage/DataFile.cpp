#include "DataFile.h"

#include <openssl/evp.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DataFileCodec.h"
#include "MessageBoxes.h"
#include "SafeFileWrite.h"
#include "Schema.h"
#include "SecureWipe.h"

namespace {

// The whole file; empty when it is missing, unreadable or empty.
QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) return {};
    return bytes;
}

}  // namespace

bool SaveDataFile(DocumentState& state, const QString& path, bool askKey, const AskKeyFn& askKeyFn,
                  QObject* owner, const std::function<bool()>& mayReplace) {
    if (!state.hasDocument()) return true;

    QByteArray plaintext;
    const WipeOnExit wipePlaintext(plaintext);
    try {
        plaintext = SerializeDocument(state.document);
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Warning);
        return false;
    }

    if (state.keyVerifier.isEmpty()) {
        Notice(owner, u"暗号化キーが設定されていません");
        return false;
    }
    if (askKey) {
        QString verifier;
        if (!askKeyFn || !askKeyFn(verifier)) {
            Notice(owner, u"暗号キーが違います");
            return false;
        }
        state.keyVerifier = verifier;
    }

    std::vector<std::uint8_t> ciphertext;
    const bool encrypted = EncryptDataText(plaintext, state.keyVerifier, ciphertext);
    Wipe(plaintext);
    if (!encrypted) {
        Notice(owner, u"暗号化できませんでした");
        return false;
    }

    const auto* bytes = reinterpret_cast<const char*>(ciphertext.data());
    const auto size = static_cast<qint64>(ciphertext.size());
    bool refused = false;
    const auto mayReplaceFile = [&] {
        refused = mayReplace && !mayReplace();
        return !refused;
    };
    if (!WriteFileSafely(path, bytes, size, mayReplaceFile)) {
        if (!refused) Notice(owner, u"書き込めませんでした");
        return false;
    }
    if (IsSameFile(path, state.dataFilePath)) state.dataFileStamp = StampOf(bytes, size);
    return true;
}

bool LoadDataFile(DocumentState& state, const QString& path, const AskKeyFn& askKeyFn,
                  QObject* owner) {
    QByteArray fileBytes = ReadWholeFile(path);
    if (fileBytes.isEmpty()) return false;
    const DataFileStamp stamp = StampOf(fileBytes.constData(), fileBytes.size());

    QString verifier;
    if (!askKeyFn || !askKeyFn(verifier)) return false;

    std::vector<std::uint8_t> plaintext;
    const WipeOnExit wipePlaintext(plaintext);
    const bool decrypted = DecryptDataFile(fileBytes, verifier, plaintext);
    fileBytes = QByteArray();
    if (!decrypted) {
        Notice(owner, u"復号化できませんでした");
        return false;
    }

    try {
        QString text = DataTextOf(plaintext);
        const WipeOnExit wipeText(text);
        Wipe(plaintext);
        XmlParseResult parsed = ParseDataText(text);
        Wipe(text);
        if (!parsed.ok()) {
            Notice(owner, u"データを解釈できませんでした");
            return false;
        }
        XmlNode root = parsed.document.documentElement();
        if (root.isNull()) {
            Notice(owner, u"ルートを取得できませんでした");
            return false;
        }
        state.document = parsed.document;
        state.root = root;
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Warning);
        return false;
    }
    state.dataFilePath = path;
    state.keyVerifier = verifier;
    state.dataFileStamp = stamp;
    return true;
}

bool CreateRootDocument(DocumentState& state) {
    try {
        XmlDocument document = schema::CreateNewDocument();
        XmlNode root = document.documentElement();
        state.document = document;
        state.root = root;
        return true;
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Error);
        return false;
    }
}

namespace {

// SHA-256 through libcrypto, which uses the processor's SHA instructions where it has them: a
// stamp of a data file of 10 MB then costs a few milliseconds instead of a good part of a second.
class Sha256 {
public:
    Sha256() : context_(EVP_MD_CTX_new()) {
        ok_ = context_ && EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) == 1;
    }
    ~Sha256() { EVP_MD_CTX_free(context_); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(const char* data, qint64 size) {
        ok_ = ok_ && EVP_DigestUpdate(context_, data, static_cast<std::size_t>(size)) == 1;
    }
    // The digest; empty when libcrypto failed (which then matches no stamp).
    QByteArray result() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (!ok_ || EVP_DigestFinal_ex(context_, digest, &length) != 1) return {};
        return QByteArray(reinterpret_cast<const char*>(digest), static_cast<qsizetype>(length));
    }

private:
    EVP_MD_CTX* context_;
    bool ok_ = false;
};

}  // namespace

DataFileStamp StampOf(const char* data, qint64 size) {
    Sha256 hash;
    hash.add(data, size);
    return {size, hash.result()};
}

DataFileStamp StampOfFile(const QString& path) {
    const QByteArray bytes = ReadWholeFile(path);
    return bytes.isEmpty() ? DataFileStamp() : StampOf(bytes.constData(), bytes.size());
}

bool IsSameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    const QString canonicalFirst = first.canonicalFilePath();
    const QString canonicalSecond = second.canonicalFilePath();
    if (!canonicalFirst.isEmpty() && !canonicalSecond.isEmpty())
        return canonicalFirst == canonicalSecond;
    return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

DiskChange DataFileChangeOnDisk(const DocumentState& state, const QString& path) {
    QFile file(path);
    if (!file.exists() || file.size() == 0) return DiskChange::None;
    const DataFileStamp& stamp = state.dataFileStamp;
    if (!stamp.known() || !IsSameFile(path, state.dataFilePath)) return DiskChange::NotLoaded;
    // The length tells most changes without reading; equal bytes are no change, whatever the
    // modification time says (a synchronised folder may write the same bytes again).
    if (file.size() != stamp.size || !file.open(QIODevice::ReadOnly)) return DiskChange::Changed;
    Sha256 hash;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (qint64 got; (got = file.read(chunk.data(), chunk.size())) > 0; total += got)
        hash.add(chunk.constData(), got);
    if (file.error() != QFileDevice::NoError || total != stamp.size) return DiskChange::Changed;
    const QByteArray digest = hash.result();
    return !digest.isEmpty() && digest == stamp.sha256 ? DiskChange::None : DiskChange::Changed;
}

bool DataFileOpensUnder(const QString& path, const QString& verifier) {
    if (verifier.isEmpty()) return false;
    const QByteArray fileBytes = ReadWholeFile(path);
    if (fileBytes.isEmpty()) return false;
    std::vector<std::uint8_t> plaintext;
    WipeOnExit<std::vector<std::uint8_t>> wipePlaintext(plaintext);
    if (!DecryptDataFile(fileBytes, verifier, plaintext)) return false;
    QString text = DataTextOf(plaintext);
    WipeOnExit<QString> wipeText(text);
    try {
        const XmlParseResult parsed = ParseDataText(text);
        return parsed.ok() && !parsed.document.documentElement().isNull();
    } catch (const XmlError&) {
        return false;
    }
}
