#pragma once

#include <QString>

#include "model/XmlDocument.h"

// Data files for tests, written and read through the program's own functions.

// Writes a data file at path holding doc, or the data text xml, encrypted under key. False when
// it could not be written or xml does not parse (the parser's message then goes to stderr).
[[nodiscard]] bool WriteDataFile(const QString& path, const XmlDocument& doc, const QString& key);
[[nodiscard]] bool WriteDataFile(const QString& path, const QString& xml, const QString& key);

// The document of the data file at path, opened with key as the desktop program opens it; a null
// document when it does not open.
XmlDocument ReadDataFile(const QString& path, const QString& key);
