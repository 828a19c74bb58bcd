#include "storage/XmlExchange.h"

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "storage/RegularFileRead.h"
#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"

namespace {

// A text for a message: a comment or a value may be long.
QString Excerpt(const QString& text) {
    constexpr qsizetype kShown = 40;
    return text.size() <= kShown ? text : text.left(kShown) + u'…';
}

// An export is a backup: it is written only when an import gives the document back. These two
// checks say what stands in the way in a notice, and return false.

// The document nests no deeper than an import reads, and the encoding holds its names and the
// texts that are written without character references.
bool CanExport(const XmlDocument& document, const QString& encoding, QObject* owner) {
    if (document.depth() > XmlDocument::kImportDepthLimit) {
        Notice(owner, u"階層が%s段より深いため、エクスポートできませんでした",
               QString::number(XmlDocument::kImportDepthLimit));
        return false;
    }
    if (const std::optional<XmlUnwritable> unwritable = document.findUnwritable(encoding)) {
        if (unwritable->kind == XmlUnwritable::Kind::Name)
            Notice(owner, u"名前「%s」には%sで書けない文字があるため、エクスポートできませんでした",
                   unwritable->text, encoding);
        else
            Notice(owner, u"「%s」には%sで書けない文字があるため、エクスポートできませんでした",
                   Excerpt(unwritable->text), encoding);
        return false;
    }
    return true;
}

// The written text, read as an import reads it, is the same document again.
bool ExportRestores(const XmlDocument& document, const QByteArray& text, QObject* owner) {
    XmlParseResult back = XmlDocument::parseBytes(text);
    QString where;
    if (back.ok() && document.sameContent(back.document, &where)) return true;
    Notice(owner,
           u"書き出した内容が元のとおりに読み戻せないため、エクスポートできませんでした（%s）",
           back.ok() ? where : back.errorMessage);
    return false;
}

}  // namespace

bool RefuseExportOntoProgramFile(const QString& path, const ProgramFiles& files, QObject* owner) {
    if (IsSameFile(path, files.dataFile))
        Notice(owner, u"%sはデータファイルのため、エクスポートしませんでした", path);
    else if (IsSameFile(path, files.settingsFile))
        Notice(owner, u"%sは設定ファイルのため、エクスポートしませんでした", path);
    else if (IsSameFile(path, files.logFile))
        Notice(owner, u"%sはログファイルのため、エクスポートしませんでした", path);
    else
        return false;
    return true;
}

bool WriteXmlFile(const XmlDocument& document, const QString& path, const QString& encoding,
                  QObject* owner) {
    QByteArray text;
    const WipeOnExit wipeText(text);  // every secret in clear
    try {
        if (!CanExport(document, encoding, owner)) return false;
        text = document.serialize(encoding);
        if (!ExportRestores(document, text, owner)) return false;
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Error);
        return false;
    }
    const SafeWriteResult written = WriteFileChecked(path, text.constData(), text.size());
    if (written.status != SafeWriteResult::Status::Written) {
        NoticeWriteProblem(owner, path, written);
        return false;
    }
    return true;
}

bool ImportXmlFile(DocumentState& state, const QString& path, QObject* owner, QString* parseError) {
    FileReadResult read = ReadRegularFile(path, kImportSizeLimit);
    const WipeOnExit wipeBytes(read.bytes);  // an import holds every secret in clear
    if (!read.ok() && !read.missingOrUnreadable()) {
        NoticeReadProblem(owner, path, read, kImportSizeLimit);
        return false;
    }
    try {
        XmlParseResult parsed =
            read.ok() ? XmlDocument::parseBytes(read.bytes, path) : XmlParseResult();
        if (!read.ok()) parsed.errorMessage = ReadProblemText(read, kImportSizeLimit);
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
