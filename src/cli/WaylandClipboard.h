#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

// Whether clip must set the clipboard of a Wayland session itself: Wayland without X11 (no
// DISPLAY, or Qt told to use its wayland platform). A Wayland compositor gives the clipboard to a
// focused window only, and clip has none; where DISPLAY is set the X11 clipboard is used instead.
bool IsWaylandWithoutX11();

// The clipboard of the first seat of the Wayland compositor named by WAYLAND_DISPLAY, set without
// a window through the data-control protocol of wlroots (sway and other wlroots compositors, KDE's
// KWin). A value is offered as UTF-8 text together with the password-manager hint, from a copy
// that is wiped once the offer ends. Events are handled in the Qt event loop.
class WaylandClipboard : public QObject {
    Q_OBJECT
public:
    enum class Session { Ready, NoDisplay, NoDataControl };

    // Connects to the compositor; session() tells whether the clipboard can be set.
    explicit WaylandClipboard(QObject* parent = nullptr);
    // Clears the clipboard if it still holds this object's value, then disconnects.
    ~WaylandClipboard() override;

    Session session() const { return session_; }

    // True once the compositor has made the value the selection of the seat.
    bool copySecret(const QString& text);
    // Withdraws the value; true when the clipboard held it and is empty now. A value replaced by
    // another program's copy is never touched: withdrawing an offer that is no longer the
    // selection changes nothing.
    bool clear();

signals:
    // The value left the clipboard without clear(): something else was copied, or the compositor
    // went away.
    void lost();

public:
    struct Connection;

private:
    void dispatch();
    void endOffer();

    std::unique_ptr<Connection> c_;
    Session session_ = Session::NoDisplay;
};
