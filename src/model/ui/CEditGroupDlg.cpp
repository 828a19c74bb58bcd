#include "model/ui/CEditGroupDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

CEditGroupDlg::CEditGroupDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("編集"));

    auto* fields = new QGridLayout;
    nameEdit_ =
        AddLabelledEdit(this, fields, 0, QStringLiteral("グループ名"), QStringLiteral("nameEdit"));
    const auto [ok, cancel] = addFieldsAndButtons(fields);

    setTabOrder(nameEdit_, ok);
    setTabOrder(ok, cancel);
}

void CEditGroupDlg::loadFields() {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("編集") : caption);
    nameEdit_->setText(name);
    nameEdit_->setFocus();
}

bool CEditGroupDlg::storeFields(int) {
    name = nameEdit_->text();
    return true;
}
