#include "storage/ui/CInKeyDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "diag/SecureWipe.h"
#include "model/ui/DialogParts.h"
#include "model/ui/KeyEditAccessibility.h"

CInKeyDlg::CInKeyDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("認証"));

    auto* fields = new QGridLayout;
    keyEdit_ = AddLabelledEdit(this, fields, 0, QStringLiteral("暗号化/復号化キー"),
                               QStringLiteral("keyEdit"));
    keyEdit_->setEchoMode(QLineEdit::Password);
    keyEdit_->setMaxLength(kMaxKeyLength);
    MarkAsKeyEdit(*keyEdit_);
    const auto [ok, cancel] = AddFieldsAndButtons(this, fields, [this](int id) { finish(id); });

    setTabOrder(keyEdit_, ok);
    setTabOrder(ok, cancel);
}

CInKeyDlg::~CInKeyDlg() {
    Wipe(key);
    WipeLineEdit(*keyEdit_);
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
