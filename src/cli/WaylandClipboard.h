#pragma once

#include <QObject>
#include <memory>

#include "items/clipboard/ClipboardTransport.h"

// Whether clip must set the clipboard of a Wayland session itself: Wayland without X11 (no
// DISPLAY, or Qt told to use its wayland platform). A Wayland compositor gives the clipboard to a
// focused window only, and clip has none; where DISPLAY is set the X11 clipboard is used instead.
bool IsWaylandWithoutX11();

// The clipboard of the first seat of the Wayland compositor named by WAYLAND_DISPLAY, set without
// a window through the data-control protocol of wlroots (sway and other wlroots compositors, KDE's
// KWin). An offer's text is offered as UTF-8 under the text types X11 and Wayland programs ask
// for. Events are handled in the Qt event loop.
class WaylandClipboard final : public ClipboardTransport {
    Q_OBJECT
public:
    enum class Session { Ready, NoDisplay, NoDataControl };

    // Connects to the compositor; session() tells whether the clipboard can be set.
    explicit WaylandClipboard(QObject* parent = nullptr);
    // Withdraws this object's offer, then disconnects.
    ~WaylandClipboard() override;

    Session session() const { return session_; }

    // True once the compositor has made the offer the selection of the seat.
    bool put(std::unique_ptr<ClipboardOffer> offer) override;
    // Until another program's copy replaces the offer, or the compositor goes away.
    bool holds() const override;
    // Withdraws the offer; true when the clipboard is empty now. Withdrawing an offer that is no
    // longer the selection changes nothing.
    bool clear() override;

    struct Connection;

private:
    void dispatch();
    void endOffer();

    std::unique_ptr<Connection> c_;
    Session session_ = Session::NoDisplay;
};
