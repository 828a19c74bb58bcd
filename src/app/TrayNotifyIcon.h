#pragma once

#include <QIcon>
#include <QString>

#include "app/NotifyIcon.h"

class QSystemTrayIcon;

// The notification icon on the desktop's system tray. A left press reaches the left-press handler;
// other clicks do nothing (there is no context menu of the tray's own).
class TrayNotifyIcon final : public NotifyIcon {
public:
    TrayNotifyIcon(const QIcon& icon, const QString& tooltip);
    ~TrayNotifyIcon() override;

    int add() override;
    int modify() override;
    int remove() override;

private:
    QIcon icon_;
    QString tooltip_;
    QSystemTrayIcon* tray_;
};
