#pragma once

#include <QByteArray>
#include <QString>

#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "model/XmlDocument.h"
#include "model/XmlNode.h"

// What the data file held when this program last loaded it or wrote it: its length, a SHA-256
// of its bytes and the bytes themselves, still encrypted: the version both sides started from when
// the file has been changed elsewhere since and the two are merged. Unknown (size -1) while the
// program has neither loaded nor written the file at the data file path, e.g. after a new
// document or a failed load.
struct DataFileStamp {
    qint64 size = -1;
    QByteArray sha256;
    QByteArray bytes;

    bool known() const { return size >= 0; }
};

// What the main window holds of the open document. Only the load, import and new-document
// operations replace document and root, and always together: either both are set (root is the
// document element) or, before anything was loaded, both are null.
struct DocumentState {
    XmlDocument document;
    XmlNode root;
    // Full path of the data file; the main window never leaves it empty.
    QString dataFilePath;
    // Upper-case hexadecimal key verifier, the data file's encryption key; empty: no key set.
    QString keyVerifier;
    // The document differs from what was last saved.
    bool modified = false;
    // The data file at dataFilePath as last loaded or written, to tell whether someone else has
    // changed it since.
    DataFileStamp dataFileStamp;

    bool hasDocument() const { return !document.isNull(); }

    // The verifier is the data file's key: whichever holder of its text goes last wipes it.
    ~DocumentState() { WipeOwnCopy(keyVerifier); }
    // Moves stay moves (a declared destructor would turn them into copies of the document state,
    // the stamp's file bytes and the verifier among them).
    DocumentState() = default;
    DocumentState(const DocumentState&) = default;
    DocumentState& operator=(const DocumentState&) = default;
    DocumentState(DocumentState&&) noexcept = default;
    DocumentState& operator=(DocumentState&&) noexcept = default;
};
