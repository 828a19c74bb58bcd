#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <csignal>

#include "model/Schema.h"
#include "model/XmlDocument.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "support/Documents.h"
#include "support/QtPrinters.h"

// One line per element in document order: depth, element name, name attribute and, for
// elements without element children, the text. Equal outlines mean equal trees as the program
// sees them.
inline QString Outline(const XmlNode& element, int depth = 0) {
    QString line = QStringLiteral("%1%2 [%3]")
                       .arg(QString(depth, u' '), element.name(), schema::NameOf(element));
    QString children;
    for (XmlNode c = element.firstChild(); !c.isNull(); c = c.nextSibling())
        if (c.isElement()) children += Outline(c, depth + 1);
    if (children.isEmpty()) line += QStringLiteral(" = {%1}").arg(element.text());
    return line + u'\n' + children;
}
inline QString Outline(const XmlDocument& doc) {
    return doc.isNull() ? QStringLiteral("(none)") : Outline(doc.documentElement());
}

// Names and values that must survive every round trip.
inline const QStringList& AwkwardTexts() {
    static const QStringList texts = {
        QStringLiteral("銀行"),
        QStringLiteral("O'Reilly's \"quote\""),
        QStringLiteral("   "),
        QStringLiteral(" padded "),
        QStringLiteral("line\r\nbreaks\n"),
        QStringLiteral("<&>]]>"),
        QStringLiteral("100% / \\ [x]"),
        QStringLiteral("パスワード①～"),
        QString(),
    };
    return texts;
}

// A document with a plain item, a secret item and a sub-group for every awkward text.
inline XmlDocument AwkwardDocument() {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode bank = AddGroup(doc.documentElement(), QStringLiteral("銀行"));
    AddItem(bank, QStringLiteral("口座"), QStringLiteral("1234-5678"));
    AddItem(bank, QStringLiteral("暗証"), QStringLiteral("s3cr'et"), true);
    XmlNode awkward = AddGroup(doc.documentElement(), QStringLiteral("awkward"));
    int n = 0;
    for (const QString& text : AwkwardTexts()) {
        const QString suffix = QString::number(n++);
        AddItem(awkward, text + suffix, text);
        AddItem(awkward, text + QStringLiteral("秘") + suffix, text, true);
        AddGroup(awkward, text + QStringLiteral("g") + suffix);
    }
    return doc;
}

// A key callback that answers with a verifier (or gives up) and counts its calls.
struct KeyAnswer {
    bool give = true;
    QString verifier = MakeKeyVerifier(QStringLiteral("pass"));
    int calls = 0;
    AskKeyFn fn() {
        return [this](QString& out) {
            ++calls;
            if (give) out = verifier;
            return give;
        };
    }
};

// Limits the size of files this process may write, so that a write fails even for the superuser
// (SIGXFSZ is ignored meanwhile, so the write just reports an error).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};
