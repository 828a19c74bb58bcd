// The XML import: the input is an XML file chosen for import. Every group the tree shows of it is
// found again; it is saved as a data file that loads again unchanged, and exported to a file that
// imports back to the same document.

#include <QFile>

#include "fuzz/FuzzTarget.h"
#include "storage/DataFileCodec.h"
#include "storage/XmlExchange.h"

ZETROVA_FUZZ_TARGET(xml_import) {
    const QString path = FuzzFilePath(QStringLiteral("import.xml"));
    WriteFuzzFile(path, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    DocumentState state;
    if (!ImportXmlFile(state, path)) {
        FUZZ_CHECK(state.document.isNull() && state.root.isNull());
        return 0;
    }
    FUZZ_CHECK(state.root == state.document.documentElement());
    CheckGroupTree(state.document);

    const QByteArray saved = SerializeDocument(state.document);
    XmlParseResult loaded = ParseDataText(DataTextOf(
        reinterpret_cast<const std::uint8_t*>(saved.constData()), std::size_t(saved.size())));
    FUZZ_CHECK(loaded.ok());
    FUZZ_CHECK(SerializeDocument(loaded.document) == saved);

    // An export either imports back to the same document or is refused without writing a file:
    // code page 932 may lack a character of a name or a comment. UTF-8 holds every character, and
    // an import is never deeper than an export may be, so that export always succeeds.
    const QString exported = FuzzFilePath(QStringLiteral("export.xml"));
    for (const QString& encoding : {QString::fromUtf16(kExportEncoding), QStringLiteral("UTF-8")}) {
        QFile::remove(exported);
        const bool written = WriteXmlFile(state.document, exported, encoding);
        FUZZ_CHECK(written || encoding == kExportEncoding);
        FUZZ_CHECK(written == QFile::exists(exported));
        if (!written) continue;
        DocumentState back;
        FUZZ_CHECK(ImportXmlFile(back, exported));
        FUZZ_CHECK(SerializeDocument(back.document) == saved);
    }
    return 0;
}
