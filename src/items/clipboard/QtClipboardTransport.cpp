#include "items/clipboard/QtClipboardTransport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

const QString kPlainText = QStringLiteral("text/plain");

// An offer as Qt's clipboard serves it; the clipboard deletes it, and with it the offer's value,
// when it lets go of it (cleared, replaced here, or taken over by another program).
class OfferData final : public QMimeData {
public:
    explicit OfferData(std::unique_ptr<ClipboardOffer> offer) : offer_(std::move(offer)) {}

    QStringList formats() const override {
        if (!offer_->secret()) return {kPlainText};
        return {kPlainText, QString::fromLatin1(kPasswordManagerHint)};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        // The X server is sent the text as UTF-8 bytes, asked for as a QByteArray on each paste:
        // handed out from the offer's own buffer, the conversion of the text leaves no copy of it
        // in memory that nobody wipes.
        if (mimeType == kPlainText) {
            return type == QMetaType::fromType<QByteArray>() ? QVariant(offer_->utf8())
                                                             : QVariant(offer_->text());
        }
        if (offer_->secret() && mimeType == QLatin1String(kPasswordManagerHint))
            return offer_->data(kPasswordManagerHint);
        return {};
    }

private:
    std::unique_ptr<ClipboardOffer> offer_;
};

QClipboard* SystemClipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

}  // namespace

QtClipboardTransport::QtClipboardTransport(QObject* parent) : ClipboardTransport(parent) {
    if (QClipboard* clipboard = SystemClipboard())
        connect(clipboard, &QClipboard::dataChanged, this, &ClipboardTransport::changed);
}

bool QtClipboardTransport::put(std::unique_ptr<ClipboardOffer> offer) {
    QClipboard* clipboard = SystemClipboard();
    if (!clipboard) return false;
    // Known before the clipboard announces the change, which it may do at once.
    auto* data = new OfferData(std::move(offer));
    offer_ = data;
    clipboard->setMimeData(data, QClipboard::Clipboard);
    return true;
}

bool QtClipboardTransport::holds() const {
    // The clipboard hands back the data it was given only while it still holds it; once another
    // program has taken the clipboard, or anything else was put there, the data has been deleted.
    QClipboard* clipboard = SystemClipboard();
    return clipboard && offer_ && clipboard->mimeData(QClipboard::Clipboard) == offer_;
}

bool QtClipboardTransport::clear() {
    if (!holds()) return false;
    SystemClipboard()->clear(QClipboard::Clipboard);
    offer_ = nullptr;
    return true;
}
