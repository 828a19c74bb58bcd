#include "model/ui/CEditGroupDlg.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "model/ui/DialogParts.h"

CEditGroupDlg::CEditGroupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("編集"));

    auto* fields = new QGridLayout;
    nameEdit_ =
        AddLabelledEdit(this, fields, 0, QStringLiteral("グループ名"), QStringLiteral("nameEdit"));
    const auto [ok, cancel] = AddFieldsAndButtons(this, fields, [this](int id) { finish(id); });

    setTabOrder(nameEdit_, ok);
    setTabOrder(ok, cancel);
}

void CEditGroupDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        setWindowTitle(caption.isEmpty() ? QStringLiteral("編集") : caption);
        nameEdit_->setText(name);
        nameEdit_->setFocus();
    }
    QDialog::showEvent(event);
}

void CEditGroupDlg::finish(int id) {
    name = nameEdit_->text();
    done(id);
}

void CEditGroupDlg::reject() {
    finish(2);
}
