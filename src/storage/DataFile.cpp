#include "DataFile.h"

#include <QFile>
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
                  QObject* owner) {
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

    if (!WriteFileSafely(path, reinterpret_cast<const char*>(ciphertext.data()),
                         static_cast<qint64>(ciphertext.size()))) {
        Notice(owner, u"書き込めませんでした");
        return false;
    }
    return true;
}

bool LoadDataFile(DocumentState& state, const QString& path, const AskKeyFn& askKeyFn,
                  QObject* owner) {
    QByteArray fileBytes = ReadWholeFile(path);
    if (fileBytes.isEmpty()) return false;

    QString verifier;
    if (!askKeyFn || !askKeyFn(verifier)) return false;

    std::vector<std::uint8_t> plaintext;
    const WipeOnExit wipePlaintext(plaintext);
    const bool decrypted = DecryptDataFile(fileBytes, verifier, plaintext);
    WipeOwnCopy(verifier);  // the verifier of the key typed now; the held one stays
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
