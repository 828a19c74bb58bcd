#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>

#include "items/clipboard/ClipboardTransport.h"

// How long a secret stays on the clipboard.
inline constexpr std::chrono::seconds kSecretClipboardTime{30};

// The system clipboard for item values. A plain value is put there as text and stays. A secret
// value is offered as text together with the password-manager hint, and the clipboard is cleared
// once the time has passed, and when this object is destroyed, but only while the clipboard still
// holds that very offer: whatever was copied in between, here or in another program, is never
// touched. What was offered is wiped once the clipboard lets go of it. The clipboard is reached
// through a transport: Qt's by default, which needs a QGuiApplication (destroy the object before
// it).
class ItemClipboard : public QObject {
    Q_OBJECT
public:
    explicit ItemClipboard(std::chrono::milliseconds secretTime = kSecretClipboardTime,
                           QObject* parent = nullptr);
    ItemClipboard(std::unique_ptr<ClipboardTransport> transport,
                  std::chrono::milliseconds secretTime = kSecretClipboardTime,
                  QObject* parent = nullptr);
    ~ItemClipboard() override;

    void copy(const QString& text, bool secret);

    // Whether the clipboard still holds the last secret this object put there.
    bool holdsSecret() const;
    // Clears the clipboard now if it still holds that secret; true when it did.
    bool clearSecret();

signals:
    void plainCopied();
    void secretCopied();
    void secretCleared();
    // The secret left the clipboard before its time because something else was copied, here or
    // in another program (or the clipboard could no longer be reached); nothing will be cleared
    // then.
    void secretReplaced();

private:
    void clipboardChanged();

    std::unique_ptr<ClipboardTransport> transport_;
    // The last offer was a secret.
    bool secret_ = false;
    // A secret was put there and has been neither cleared nor replaced yet.
    bool secretPending_ = false;
    QTimer clearTimer_;
};
