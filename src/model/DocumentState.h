#pragma once

#include <QString>
#include <QStringView>

#include "FormatText.h"
#include "XmlDocument.h"
#include "XmlNode.h"

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

    bool hasDocument() const { return !document.isNull(); }
};

// The main window's caption: the application title, one blank and the data file path.
inline QString WindowTitle(QStringView applicationTitle, const QString& dataFilePath) {
    return FormatText(u"%s %s", {applicationTitle, dataFilePath});
}
