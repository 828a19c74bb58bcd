#include "CInKeyDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

CInKeyDlg::CInKeyDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("認証"));

    auto* label = new QLabel(QStringLiteral("暗号化/復号化キー"), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    keyEdit_ = new QLineEdit(this);
    keyEdit_->setObjectName(QStringLiteral("keyEdit"));
    keyEdit_->setEchoMode(QLineEdit::Password);
    keyEdit_->setMaxLength(kMaxKeyLength);
    keyEdit_->setMinimumWidth(180);
    label->setBuddy(keyEdit_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, [this] { finish(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(2); });

    auto* fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(keyEdit_, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(keyEdit_, ok);
    setTabOrder(ok, cancel);
}

void CInKeyDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        keyEdit_->setText(key.left(kMaxKeyLength));
        keyEdit_->setFocus();
    }
    QDialog::showEvent(event);
}

void CInKeyDlg::finish(int id) {
    key = keyEdit_->text().left(kMaxKeyLength);
    done(id);
}

void CInKeyDlg::reject() {
    finish(2);
}
