#include "model/ui/CFindGroupDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "model/ui/DialogParts.h"

CFindGroupDlg::CFindGroupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("検索"));

    auto* fields = new QGridLayout;
    textEdit_ =
        AddLabelledEdit(this, fields, 0, QStringLiteral("グループ名"), QStringLiteral("textEdit"));
    caseBox_ = new QCheckBox(QStringLiteral("大文字・小文字を区別する"), this);
    caseBox_->setObjectName(QStringLiteral("caseCheck"));
    fields->addWidget(caseBox_, 1, 0, 1, 2);
    fields->setRowMinimumHeight(2, 8);
    const auto [ok, cancel] = AddFieldsAndButtons(this, fields, [this](int id) { finish(id); });

    setTabOrder(textEdit_, caseBox_);
    setTabOrder(caseBox_, ok);
    setTabOrder(ok, cancel);
}

void CFindGroupDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        setWindowTitle(caption.isEmpty() ? QStringLiteral("検索") : caption);
        textEdit_->setText(text);
        caseBox_->setChecked(caseSensitive);
        textEdit_->setFocus();
    }
    QDialog::showEvent(event);
}

void CFindGroupDlg::finish(int id) {
    text = textEdit_->text();
    caseSensitive = caseBox_->isChecked();
    done(id);
}

void CFindGroupDlg::reject() {
    finish(2);
}
