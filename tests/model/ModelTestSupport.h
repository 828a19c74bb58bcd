#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <ostream>

#include "model/Schema.h"
#include "model/XmlDocument.h"
#include "support/QtPrinters.h"

// Building blocks for test documents, appended in order like the program does.
inline XmlNode AddElement(const XmlNode& parent, const QString& tag, const QString& name) {
    XmlNode e = parent.document().createElement(tag);
    e.setAttribute(schema::kName, name);
    return parent.appendChild(e);
}
inline XmlNode AddGroup(const XmlNode& parent, const QString& name) {
    return AddElement(parent, QString::fromUtf16(schema::kGroup), name);
}
inline XmlNode AddItem(const XmlNode& parent, const QString& name, const QString& value,
                       bool secret = false) {
    XmlNode e =
        AddElement(parent, QString::fromUtf16(secret ? schema::kSecret : schema::kItem), name);
    e.setText(value);
    return e;
}

inline QString FromUtf16Le(const QByteArray& bytes) {
    return QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
}
inline QByteArray ToUtf16Le(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// The round trip of the data file: UTF-16 text, then parsed again in data-file mode.
inline XmlDocument ReloadDataText(const XmlDocument& doc) {
    XmlParseResult r =
        XmlDocument::parseDataText(FromUtf16Le(doc.serialize(QStringLiteral("utf-16"))));
    EXPECT_TRUE(r.ok()) << r.errorMessage.toStdString();
    return r.document;
}
