#pragma once

#include <QString>

#include "model/DocumentState.h"

class QObject;

// Plain XML files in and out of the system: the export writes the whole document unencrypted,
// the import replaces the document by a file's.

// The encoding of exports: code page 932, as the Windows program means "Shift_JIS".
inline constexpr char16_t kExportEncoding[] = u"Shift_JIS";

// Writes the whole document to path as XML text in the given encoding (declaration with version
// "1.0" and that encoding, indented; characters of text and attribute values that the encoding
// cannot hold become character references). An export is written only when importing it gives
// the same document back; otherwise nothing is written, a notice names what stands in the way
// (elements nested deeper than an import reads; an element, attribute or prefix name, or the text
// of a comment, processing instruction or CDATA section, that the encoding cannot hold; a
// difference when the text is read back) and the result is false. An existing file is replaced, but
// only once the new content is completely written. A file that cannot be created or written: the
// writer's notice (NoticeWriteProblem, owner may be nullptr) and false. An engine failure is
// reported as an XML engine failure (error icon), then false.
bool WriteXmlFile(const XmlDocument& document, const QString& path,
                  const QString& encoding = QString::fromUtf16(kExportEncoding),
                  QObject* owner = nullptr);

// The program's own files. An export never replaces one of them: the secrets in clear would
// take the place of the encrypted data, the settings (and with them the key's verifier) or the
// log.
struct ProgramFiles {
    QString dataFile;
    QString settingsFile;
    QString logFile;
};

// Whether an export to path would replace one of files (IsSameFile): the same file, also through
// links, a folder link or another hard link, or the place where one of them is to be written while
// it does not exist yet, also reached through a dangling link. Then the notice
// "%sはデータファイルのため、エクスポートしませんでした" (or 設定ファイル, ログファイル) names path
// (owner may be nullptr) and the result is true. Empty paths in files are not compared.
bool RefuseExportOntoProgramFile(const QString& path, const ProgramFiles& files,
                                 QObject* owner = nullptr);

// Replaces document and root of state by those of the XML file at path, read in the encoding its
// byte-order mark or declaration announces. The file is untrusted: no network, no DTD, elements
// nested at most XmlDocument::kImportDepthLimit levels; the sizes of a data file (so that every
// export reads back). A missing or unreadable file, text that is not well-formed, or
// no document element: the notice "ルートを取得できませんでした" and false; an engine failure is
// reported as an XML engine failure (error icon), then false. On any failure the current
// document and root stay as they were. The caller sets the modified flag and rebuilds the views.
// parseError, when given, receives the engine's message for a file that did not load.
bool ImportXmlFile(DocumentState& state, const QString& path, QObject* owner = nullptr,
                   QString* parseError = nullptr);
