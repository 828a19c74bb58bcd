#include "items/clipboard/ItemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "diag/SecureWipe.h"

namespace {

const QString kPlainText = QStringLiteral("text/plain");

// A secret's offer: the text in a buffer of its own and its UTF-8 bytes in another, both wiped
// when the clipboard lets go of the offer (cleared, replaced here, or taken over by another
// program), and the hint.
class SecretOffer final : public QMimeData {
public:
    explicit SecretOffer(const QString& text)
        : text_(text.constData(), text.size()), utf8_(text_.toUtf8()) {}
    ~SecretOffer() override {
        Wipe(text_);
        Wipe(utf8_);
    }

    QStringList formats() const override {
        return {kPlainText, QString::fromLatin1(kPasswordManagerHint)};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        // The X server is sent the text as UTF-8 bytes, asked for as a QByteArray on each paste:
        // handed out from the offer's own buffer, the conversion of the text leaves no copy of it
        // in memory that nobody wipes.
        if (mimeType == kPlainText)
            return type == QMetaType::fromType<QByteArray>() ? QVariant(utf8_) : QVariant(text_);
        if (mimeType == QLatin1String(kPasswordManagerHint)) return QByteArray("secret");
        return {};
    }

private:
    QString text_;
    QByteArray utf8_;
};

QClipboard* SystemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

}  // namespace

ItemClipboard::ItemClipboard(std::chrono::milliseconds secretTime, QObject* parent)
    : QObject(parent) {
    clearTimer_.setSingleShot(true);
    // To the second: a coarse timer may fire over a second before the time the status line names.
    clearTimer_.setTimerType(Qt::PreciseTimer);
    clearTimer_.setInterval(secretTime);
    connect(&clearTimer_, &QTimer::timeout, this, &ItemClipboard::clearSecret);
    if (QClipboard* clipboard = SystemClipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &ItemClipboard::clipboardChanged);
}

void ItemClipboard::clipboardChanged() {
    // The clipboard deletes an offer it lets go of, so the secret's own pointer is gone by now.
    if (!secretPending_ || holdsSecret()) return;
    secretPending_ = false;
    clearTimer_.stop();
    emit secretReplaced();
}

ItemClipboard::~ItemClipboard() {
    clearSecret();
}

void ItemClipboard::copy(const QString& text, bool secret) {
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return;
    clearTimer_.stop();
    if (!secret) {
        clipboard->setText(text, QClipboard::Clipboard);
        emit plainCopied();
        return;
    }
    auto* offer = new SecretOffer(text);
    secretOffer_ = offer;
    clipboard->setMimeData(offer, QClipboard::Clipboard);
    secretPending_ = true;
    clearTimer_.start();
    emit secretCopied();
}

bool ItemClipboard::holdsSecret() const {
    // The clipboard hands back the offer it was given only while it still holds it; once another
    // program has taken the clipboard, or anything else was put there, the offer has been deleted.
    QClipboard* clipboard = SystemClipboard();
    return clipboard && secretOffer_ && clipboard->mimeData(QClipboard::Clipboard) == secretOffer_;
}

bool ItemClipboard::clearSecret() {
    clearTimer_.stop();
    if (!holdsSecret()) return false;
    secretPending_ = false;  // the change that follows is this clearing, not a replacement
    SystemClipboard()->clear(QClipboard::Clipboard);
    secretOffer_ = nullptr;
    emit secretCleared();
    return true;
}
