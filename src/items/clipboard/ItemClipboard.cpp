#include "items/clipboard/ItemClipboard.h"

#include "items/clipboard/QtClipboardTransport.h"

ItemClipboard::ItemClipboard(std::chrono::milliseconds secretTime, QObject* parent)
    : ItemClipboard(std::make_unique<QtClipboardTransport>(), secretTime, parent) {}

ItemClipboard::ItemClipboard(std::unique_ptr<ClipboardTransport> transport,
                             std::chrono::milliseconds secretTime, QObject* parent)
    : QObject(parent), transport_(std::move(transport)) {
    clearTimer_.setSingleShot(true);
    // To the second: a coarse timer may fire over a second before the time the status line names.
    clearTimer_.setTimerType(Qt::PreciseTimer);
    clearTimer_.setInterval(secretTime);
    connect(&clearTimer_, &QTimer::timeout, this, &ItemClipboard::clearSecret);
    connect(transport_.get(), &ClipboardTransport::changed, this, &ItemClipboard::clipboardChanged);
}

ItemClipboard::~ItemClipboard() {
    clearSecret();
}

void ItemClipboard::clipboardChanged() {
    // The transport lets go of an offer the clipboard no longer holds, wiping what it offered.
    if (!secretPending_ || holdsSecret()) return;
    secretPending_ = false;
    clearTimer_.stop();
    emit secretReplaced();
}

void ItemClipboard::copy(const QString& text, bool secret) {
    clearTimer_.stop();
    // Known before the clipboard announces the change, which it may do while taking the offer: a
    // plain value copied over a pending secret replaces it, a new secret takes its place.
    secret_ = secret;
    if (!transport_->put(std::make_unique<ClipboardOffer>(text, secret))) {
        secretPending_ = false;
        return;
    }
    if (!secret) {
        emit plainCopied();
        return;
    }
    secretPending_ = true;
    clearTimer_.start();
    emit secretCopied();
}

bool ItemClipboard::holdsSecret() const {
    return secret_ && transport_->holds();
}

bool ItemClipboard::clearSecret() {
    clearTimer_.stop();
    if (!holdsSecret()) return false;
    secretPending_ = false;  // the change that follows is this clearing, not a replacement
    secret_ = false;
    // A copy made a moment ago, which the clipboard may not have announced yet, is never cleared.
    if (!transport_->clear()) {
        emit secretReplaced();
        return false;
    }
    emit secretCleared();
    return true;
}
