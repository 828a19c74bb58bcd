// The decisions of the clipboard for item values, on the process's own clipboard (offscreen); the
// desktop tests check the same against a real X server.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "items/clipboard/ItemClipboard.h"

using namespace std::chrono_literals;

namespace {

QString ClipboardText() {
    return QGuiApplication::clipboard()->text();
}

bool OffersHint() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasFormat(QString::fromLatin1(kPasswordManagerHint)) &&
           data->data(QString::fromLatin1(kPasswordManagerHint)) == "secret";
}

// A secret leaves the clipboard when its time is up or the clipboard object goes, but only while
// the clipboard still holds it; plain text and whatever replaced the secret stay.
TEST(ItemClipboard, ClearsItsOwnSecretOnlyAfterTheTimeOrAtTheEnd) {
    enum class Then { Wait, Destroy, CopyElsewhere, CopyPlain };
    struct Case {
        const char* what;
        bool secret;
        Then then;
        QString left;  // the clipboard's text afterwards
    };
    const QList<Case> cases = {
        {"secret, time up", true, Then::Wait, QString()},
        {"secret, object destroyed", true, Then::Destroy, QString()},
        {"secret, then another copy", true, Then::CopyElsewhere, QStringLiteral("other")},
        {"secret, then a plain value", true, Then::CopyPlain, QStringLiteral("plain")},
        {"plain value, time up", false, Then::Wait, QStringLiteral("s3cret")},
        {"plain value, object destroyed", false, Then::Destroy, QStringLiteral("s3cret")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        auto clipboard = std::make_unique<ItemClipboard>(150ms);
        QSignalSpy cleared(clipboard.get(), &ItemClipboard::secretCleared);
        QSignalSpy replaced(clipboard.get(), &ItemClipboard::secretReplaced);
        clipboard->copy(QStringLiteral("s3cret"), c.secret);
        EXPECT_EQ(ClipboardText(), QStringLiteral("s3cret"));
        EXPECT_EQ(OffersHint(), c.secret);
        EXPECT_EQ(clipboard->holdsSecret(), c.secret);

        if (c.then == Then::CopyElsewhere) QGuiApplication::clipboard()->setText("other");
        if (c.then == Then::CopyPlain) clipboard->copy(QStringLiteral("plain"), false);
        if (c.then == Then::Destroy) {
            QTest::qWait(50);
            EXPECT_EQ(ClipboardText(), QStringLiteral("s3cret"));  // not before its time
            clipboard.reset();
        } else {
            QTest::qWait(300);
        }
        EXPECT_EQ(ClipboardText(), c.left);
        EXPECT_FALSE(OffersHint());
        if (c.then == Then::Wait) {
            EXPECT_EQ(cleared.count(), c.secret ? 1 : 0);
        }
        // A secret replaced by another copy is reported as such, and never as cleared.
        const bool wasReplaced =
            c.secret && (c.then == Then::CopyElsewhere || c.then == Then::CopyPlain);
        EXPECT_EQ(replaced.count(), wasReplaced ? 1 : 0);
        if (wasReplaced) {
            EXPECT_EQ(cleared.count(), 0);
        }
    }
}

}  // namespace
