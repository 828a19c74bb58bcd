#include "app/LockWidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "items/MachinePreferences.h"

LockedPage::LockedPage(QWidget* parent) : QWidget(parent) {
    button_ = new QPushButton(QStringLiteral("ロック解除"), this);
    button_->setObjectName(QStringLiteral("unlockButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(button_, 0, Qt::AlignCenter);
    layout->addStretch();
    connect(button_, &QPushButton::clicked, this, &LockedPage::unlockClicked);
    // A push button outside a dialog takes only Space: Return and Enter press it too.
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), button_);
        shortcut->setContext(Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, button_, &QPushButton::click);
    }
    setFocusProxy(button_);
}

CLockConfigDlg::CLockConfigDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("ロック"));
    auto* fields = new QGridLayout;
    auto* label = new QLabel(QStringLiteral("操作がないときにロックするまでの秒数（0: しない）"));
    idleBox_ = new QSpinBox;
    idleBox_->setObjectName(QStringLiteral("idleSeconds"));
    idleBox_->setRange(0, LockPreferences::kMaxIdleSeconds);
    label->setBuddy(idleBox_);
    sessionBox_ = new QCheckBox(QStringLiteral("画面のロック時とスリープ前にロックする"));
    sessionBox_->setObjectName(QStringLiteral("onSessionLock"));
    hideBox_ = new QCheckBox(QStringLiteral("ウィンドウを隠したときにロックする"));
    hideBox_->setObjectName(QStringLiteral("onHide"));
    fields->addWidget(label, 0, 0);
    fields->addWidget(idleBox_, 0, 1);
    fields->addWidget(sessionBox_, 1, 0, 1, 2);
    fields->addWidget(hideBox_, 2, 0, 1, 2);
    addFieldsAndButtons(fields);
}

void CLockConfigDlg::loadFields() {
    idleBox_->setValue(idleSeconds);
    sessionBox_->setChecked(onSessionLock);
    hideBox_->setChecked(onHide);
    idleBox_->setFocus();
}

bool CLockConfigDlg::storeFields(int id) {
    if (id != 1) return true;
    idleSeconds = idleBox_->value();
    onSessionLock = sessionBox_->isChecked();
    onHide = hideBox_->isChecked();
    return true;
}
