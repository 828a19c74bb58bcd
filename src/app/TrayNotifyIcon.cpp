#include "app/TrayNotifyIcon.h"

#include <QSystemTrayIcon>

TrayNotifyIcon::TrayNotifyIcon(const QIcon& icon, const QString& tooltip)
    : icon_(icon), tooltip_(tooltip), tray_(new QSystemTrayIcon) {
    QObject::connect(tray_, &QSystemTrayIcon::activated, tray_,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         // A double click has already opened the menu on its first press.
                         if (reason == QSystemTrayIcon::Trigger) leftPressed();
                     });
}

TrayNotifyIcon::~TrayNotifyIcon() {
    delete tray_;
}

int TrayNotifyIcon::add() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return kNoNotificationArea;
    tray_->setIcon(icon_);
    tray_->setToolTip(tooltip_);
    tray_->show();
    return tray_->isVisible() ? kOk : kNoNotificationArea;
}

int TrayNotifyIcon::modify() {
    if (!tray_->isVisible()) return kNoNotificationArea;
    tray_->setIcon(icon_);
    tray_->setToolTip(tooltip_);
    return kOk;
}

int TrayNotifyIcon::remove() {
    tray_->hide();
    return kOk;
}
