#include "model/ui/CFindGroupDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

CFindGroupDlg::CFindGroupDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("検索"));

    auto* fields = new QGridLayout;
    textEdit_ =
        AddLabelledEdit(this, fields, 0, QStringLiteral("グループ名"), QStringLiteral("textEdit"));
    caseBox_ = new QCheckBox(QStringLiteral("大文字・小文字を区別する"), this);
    caseBox_->setObjectName(QStringLiteral("caseCheck"));
    fields->addWidget(caseBox_, 1, 0, 1, 2);
    fields->setRowMinimumHeight(2, 8);
    const auto [ok, cancel] = addFieldsAndButtons(fields);

    setTabOrder(textEdit_, caseBox_);
    setTabOrder(caseBox_, ok);
    setTabOrder(ok, cancel);
}

void CFindGroupDlg::loadFields() {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("検索") : caption);
    textEdit_->setText(text);
    caseBox_->setChecked(caseSensitive);
    textEdit_->setFocus();
}

bool CFindGroupDlg::storeFields(int) {
    text = textEdit_->text();
    caseSensitive = caseBox_->isChecked();
    return true;
}
