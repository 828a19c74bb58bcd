#pragma once

#include <QPointer>

#include "items/clipboard/ClipboardTransport.h"

class QMimeData;

// The clipboard of the running QGuiApplication (X11, or Wayland for a program with a focused
// window). Without a QGuiApplication nothing can be put there.
class QtClipboardTransport final : public ClipboardTransport {
    Q_OBJECT
public:
    explicit QtClipboardTransport(QObject* parent = nullptr);

    bool put(std::unique_ptr<ClipboardOffer> offer) override;
    bool holds() const override;
    bool clear() override;

private:
    // The clipboard owns the data of the last offer and deletes it once it lets go of it.
    QPointer<QMimeData> offer_;
};
