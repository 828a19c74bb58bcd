#include "CFindGroupDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <limits>

CFindGroupDlg::CFindGroupDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("検索"));

    auto* label = new QLabel(QStringLiteral("グループ名"), this);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    textEdit_ = new QLineEdit(this);
    textEdit_->setObjectName(QStringLiteral("textEdit"));
    // Texts from the document are shown whole, however long.
    textEdit_->setMaxLength(std::numeric_limits<int>::max());
    textEdit_->setMinimumWidth(180);
    label->setBuddy(textEdit_);
    caseBox_ = new QCheckBox(QStringLiteral("大文字・小文字を区別する"), this);
    caseBox_->setObjectName(QStringLiteral("caseCheck"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(ok, &QPushButton::clicked, this, [this] { finish(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(2); });

    auto* fields = new QGridLayout;
    fields->addWidget(label, 0, 0);
    fields->addWidget(textEdit_, 0, 1);
    fields->addWidget(caseBox_, 1, 0, 1, 2);
    fields->setRowMinimumHeight(2, 8);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

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
