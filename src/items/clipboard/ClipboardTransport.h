#pragma once

#include <QObject>
#include <memory>

#include "items/clipboard/ClipboardOffer.h"

// A way to reach the system clipboard: what puts an offer there, tells whether it is still there
// and takes it away again. Decides nothing: when to clear, and what counts as the program's own,
// is the item clipboard's.
class ClipboardTransport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Puts the offer on the clipboard in place of whatever it held; the transport keeps the offer
    // until the clipboard lets go of it. True once the clipboard holds it.
    virtual bool put(std::unique_ptr<ClipboardOffer> offer) = 0;
    // Whether the clipboard still holds the offer last put there.
    virtual bool holds() const = 0;
    // Takes that offer off the clipboard; true when the clipboard is empty now. Anything copied in
    // the meantime, here or in another program, stays.
    virtual bool clear() = 0;

signals:
    // The clipboard's content changed, or the transport lost its connection to the clipboard.
    void changed();
};
