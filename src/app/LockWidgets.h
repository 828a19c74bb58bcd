#pragma once

#include <QWidget>

#include "model/ui/DialogParts.h"

class QCheckBox;
class QPushButton;
class QSpinBox;

// What the main window shows in place of the group tree and the item list while locked: one
// button "ロック解除", which has the keyboard focus, so that Return (or Space) unlocks.
class LockedPage : public QWidget {
    Q_OBJECT
public:
    explicit LockedPage(QWidget* parent = nullptr);
    QPushButton* unlockButton() const { return button_; }

signals:
    void unlockClicked();

private:
    QPushButton* button_;
};

// The lock's preferences ("ロック"): the idle time in seconds (0: never), locking with the
// desktop session, locking when the window is hidden. OK (1) copies the controls into the fields.
class CLockConfigDlg : public FieldDialog {
    Q_OBJECT
public:
    explicit CLockConfigDlg(QWidget* parent = nullptr);

    int idleSeconds = 600;
    bool onSessionLock = true;
    bool onHide = false;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    QSpinBox* idleBox_;
    QCheckBox* sessionBox_;
    QCheckBox* hideBox_;
};
