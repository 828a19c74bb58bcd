#include "storage/DataFile.h"

#include <QFile>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "model/Schema.h"
#include "storage/DataFileCodec.h"
#include "storage/DataFileDecode.h"
#include "storage/DataFileLock.h"
#include "storage/RegularFileRead.h"
#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"
#include "storage/Sha256.h"

namespace {

// The whole file; empty when it is missing, unreadable or empty, or when it is refused: a
// device, a pipe, a planted link or a file past the size limit, which owner is told of unless
// the read is silent.
QByteArray ReadWholeFile(const QString& path, bool silent = true, QObject* owner = nullptr) {
    FileReadResult read = ReadRegularFile(path, kDataFileSizeLimit);
    if (read.ok()) return std::move(read.bytes);
    if (!silent && !read.missingOrUnreadable())
        NoticeReadProblem(owner, path, read, kDataFileSizeLimit);
    return {};
}

}  // namespace

bool SaveDataFile(DocumentState& state, const QString& path, bool askKey, const AskKeyFn& askKeyFn,
                  QObject* owner, const std::function<bool()>& mayReplace,
                  const std::function<void()>& afterReplace) {
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
    // A file past the reading limit would be written but never opened again.
    if (size > kDataFileSizeLimit) {
        Notice(owner, u"%sは大きすぎるため書き込みませんでした", path);
        return false;
    }
    // The stamp of what is written is made before the write: made after it, a failure (out of
    // memory) would leave the stamp of bytes the file no longer holds.
    DataFileStamp stampWritten = StampOf(bytes, size);
    // The writers' lock covers the check of what lies there (mayReplace) and the replacing, so
    // that no other writer replaces the file in between; it is taken only now, after the key, and
    // let go before any notice, so that no dialog ever waits while it is held.
    DataFileLock lock(path);
    if (!lock.held()) {
        NoticeLockProblem(owner, path, lock);
        return false;
    }
    const SafeWriteResult written = WriteFileChecked(path, bytes, size, mayReplace);
    // The stamp follows what the file now holds, also when the disk did not confirm it. It is
    // unknown while it is not known which file was replaced.
    if (written.replaced()) {
        DataFileStamp kept = std::exchange(state.dataFileStamp, DataFileStamp());
        state.dataFileStamp = std::move(IsSameFile(path, state.dataFilePath) ? stampWritten : kept);
        if (afterReplace) afterReplace();
    }
    lock.release();
    if (written.status != SafeWriteResult::Status::Written) {
        NoticeWriteProblem(owner, path, written);
        return false;
    }
    return true;
}

bool LoadDataFile(DocumentState& state, const QString& path, const AskKeyFn& askKeyFn,
                  QObject* owner) {
    // The bytes stay as they are, for the stamp: they are the ciphertext, not a secret.
    const QByteArray fileBytes = ReadWholeFile(path, false, owner);
    if (fileBytes.isEmpty()) return false;

    QString verifier;
    const WipeOwnCopyOnExit wipeVerifier(verifier);  // unless the state holds it in the end
    if (!askKeyFn || !askKeyFn(verifier)) return false;

    try {
        DecodedDataFile decoded = DecodeDataFileBytes(fileBytes, verifier);
        if (!decoded.deciphered) {
            Notice(owner, u"復号化できませんでした");
            return false;
        }
        if (!decoded.parsed.ok()) {
            Notice(owner, u"データを解釈できませんでした");
            return false;
        }
        XmlNode root = decoded.parsed.document.documentElement();
        if (root.isNull()) {
            Notice(owner, u"ルートを取得できませんでした");
            return false;
        }
        state.document = decoded.parsed.document;
        state.root = root;
        state.dataFileStamp = {fileBytes.size(), decoded.sha256, fileBytes};
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Warning);
        return false;
    }
    state.dataFilePath = path;
    state.keyVerifier = verifier;
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

DataFileStamp StampOf(const char* data, qint64 size) {
    return {size, Sha256Of(data, size), QByteArray(data, size)};
}

DataFileStamp StampOf(const QByteArray& bytes) {
    return {bytes.size(), Sha256Of(bytes.constData(), bytes.size()), bytes};
}

DataFileStamp StampOfFile(const QString& path) {
    const QByteArray bytes = ReadWholeFile(path);
    return bytes.isEmpty() ? DataFileStamp() : StampOf(bytes);
}

DiskChange DataFileChangeOnDisk(const DocumentState& state, const QString& path,
                                QByteArray* bytesRead) {
    if (bytesRead) bytesRead->clear();
    QFile file(path);
    if (!file.exists() || file.size() == 0) return DiskChange::None;
    // A caller that goes on with the file's bytes gets the ones looked at here.
    if (bytesRead) *bytesRead = ReadWholeFile(path);
    const DataFileStamp& stamp = state.dataFileStamp;
    if (!stamp.known() || !IsSameFile(path, state.dataFilePath)) return DiskChange::NotLoaded;
    // The length tells most changes without reading; equal bytes are no change, whatever the
    // modification time says (a synchronised folder may write the same bytes again). The stamp
    // holds the bytes themselves, so they are compared as they are, without hashing them again.
    if (bytesRead) return *bytesRead == stamp.bytes ? DiskChange::None : DiskChange::Changed;
    if (file.size() != stamp.size) return DiskChange::Changed;
    return ReadWholeFile(path) == stamp.bytes ? DiskChange::None : DiskChange::Changed;
}

bool DataFileOpensUnder(const QString& path, const QString& verifier) {
    DataFileContent content;
    return ReadDataFileUnder(path, verifier, content);
}

namespace {

// The document of a data file's bytes under verifier, and the bytes' digest; a null document when
// they do not open under it.
DecodedDataFile Decode(const QByteArray& fileBytes, const QString& verifier) {
    if (verifier.isEmpty() || fileBytes.isEmpty()) return {};
    try {
        DecodedDataFile decoded = DecodeDataFileBytes(fileBytes, verifier);
        if (decoded.parsed.ok() && decoded.parsed.document.documentElement().isNull())
            decoded.parsed = {};
        return decoded;
    } catch (const XmlError&) {
        return {};
    }
}

}  // namespace

XmlDocument DecodeDataFile(const QByteArray& fileBytes, const QString& verifier) {
    return Decode(fileBytes, verifier).parsed.document;
}

bool ReadDataFileUnder(const QString& path, const QString& verifier, DataFileContent& content,
                       bool* doctype) {
    const QByteArray fileBytes = ReadWholeFile(path);
    const DecodedDataFile decoded = Decode(fileBytes, verifier);
    if (doctype) *doctype = decoded.parsed.doctype;
    if (!decoded.parsed.ok()) return false;
    content.document = decoded.parsed.document;
    content.stamp = {fileBytes.size(), decoded.sha256, fileBytes};
    return true;
}
