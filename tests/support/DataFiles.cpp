#include "support/DataFiles.h"

#include <cstdio>

#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"

bool WriteDataFile(const QString& path, const XmlDocument& doc, const QString& key) {
    DocumentState state;
    state.document = doc;
    state.root = doc.documentElement();
    state.keyVerifier = MakeKeyVerifier(key);
    return SaveDataFile(state, path, false, nullptr);
}

bool WriteDataFile(const QString& path, const QString& xml, const QString& key) {
    const XmlParseResult parsed = XmlDocument::parseDataText(xml);
    if (!parsed.ok()) {
        std::fprintf(stderr, "test data does not parse: %s\n", qPrintable(parsed.errorMessage));
        return false;
    }
    return WriteDataFile(path, parsed.document, key);
}

XmlDocument ReadDataFile(const QString& path, const QString& key) {
    DocumentState state;
    LoadDataFile(state, path, [&](QString& verifier) {
        verifier = MakeKeyVerifier(key);
        return true;
    });
    return state.document;
}
