#include "storage/ui/CInKeyDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "diag/SecureWipe.h"
#include "model/ui/KeyEditAccessibility.h"

CInKeyDlg::CInKeyDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("認証"));

    auto* fields = new QGridLayout;
    keyEdit_ = AddLabelledEdit(this, fields, 0, QStringLiteral("暗号化/復号化キー"),
                               QStringLiteral("keyEdit"));
    keyEdit_->setEchoMode(QLineEdit::Password);
    keyEdit_->setMaxLength(kMaxKeyLength);
    MarkAsKeyEdit(*keyEdit_);
    const auto [ok, cancel] = addFieldsAndButtons(fields);

    setTabOrder(keyEdit_, ok);
    setTabOrder(ok, cancel);
}

CInKeyDlg::~CInKeyDlg() {
    Wipe(key);
    WipeLineEdit(*keyEdit_);
}

void CInKeyDlg::loadFields() {
    keyEdit_->setText(key.left(kMaxKeyLength));
    keyEdit_->setFocus();
}

bool CInKeyDlg::storeFields(int) {
    key = keyEdit_->text().left(kMaxKeyLength);
    return true;
}
