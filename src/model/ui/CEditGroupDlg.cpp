#include "CEditGroupDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <limits>

CEditGroupDlg::CEditGroupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("編集"));

    auto* label = new QLabel(QStringLiteral("グループ名"), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    // Texts from the document are shown whole, however long.
    nameEdit_->setMaxLength(std::numeric_limits<int>::max());
    nameEdit_->setMinimumWidth(180);
    label->setBuddy(nameEdit_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, [this] { finish(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(2); });

    auto* fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(nameEdit_, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
