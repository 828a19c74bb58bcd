#include "XmlExchange.h"

#include "MessageBoxes.h"
#include "SafeFileWrite.h"
#include "SecureWipe.h"

bool WriteXmlFile(const XmlDocument& document, const QString& path, const QString& encoding,
                  QObject* owner) {
    QByteArray text;
    const WipeOnExit wipeText(text);  // every secret in clear
    try {
        text = document.serialize(encoding);
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Error);
        return false;
    }
    if (!WriteFileSafely(path, text.constData(), text.size())) {
        Notice(owner, u"書き込めませんでした");
        return false;
    }
    return true;
}

bool ImportXmlFile(DocumentState& state, const QString& path, QObject* owner, QString* parseError) {
    try {
        XmlParseResult parsed = XmlDocument::parseFile(path);
        XmlNode root = parsed.ok() ? parsed.document.documentElement() : XmlNode();
        if (root.isNull()) {
            if (parseError) *parseError = parsed.errorMessage;
            Notice(owner, u"ルートを取得できませんでした");
            return false;
        }
        state.document = parsed.document;
        state.root = root;
        return true;
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Error);
        return false;
    }
}
