#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <ostream>

#include "model/Schema.h"
#include "model/XmlDocument.h"
#include "support/Documents.h"
#include "support/QtPrinters.h"

// The round trip of the data file: UTF-16 text, then parsed again in data-file mode.
inline XmlDocument ReloadDataText(const XmlDocument& doc) {
    XmlParseResult r =
        XmlDocument::parseDataText(FromUtf16Le(doc.serialize(QStringLiteral("utf-16"))));
    EXPECT_TRUE(r.ok()) << r.errorMessage.toStdString();
    return r.document;
}
