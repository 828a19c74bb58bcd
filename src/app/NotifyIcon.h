#pragma once

#include <functional>

// The program's icon in the desktop's notification area. Each request answers 0 on success or an
// error code; kNotifyTimeout means the desktop was too busy to answer and the request may simply
// be tried again.
class NotifyIcon {
public:
    static constexpr int kOk = 0;
    static constexpr int kTimeout = 1460;
    // There is no notification area to put an icon in.
    static constexpr int kNoNotificationArea = 1168;

    virtual ~NotifyIcon() = default;

    // Puts the icon (with its tooltip) into the notification area.
    virtual int add() = 0;
    // Refreshes an icon already in the area; fails when there is none.
    virtual int modify() = 0;
    virtual int remove() = 0;

    // Called when the user presses the left mouse button on the icon.
    void setLeftPressHandler(std::function<void()> handler) { leftPress_ = std::move(handler); }

protected:
    void leftPressed() const {
        if (leftPress_) leftPress_();
    }

private:
    std::function<void()> leftPress_;
};
