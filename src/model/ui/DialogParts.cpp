#include "model/ui/DialogParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <limits>

#include "diag/SecureWipe.h"

FieldDialog::FieldDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void FieldDialog::reject() {
    finish(2);
}

bool FieldDialog::storeFields(int) {
    return true;
}

void FieldDialog::finish(int id) {
    if (storeFields(id)) done(id);
}

void FieldDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) loadFields();
    QDialog::showEvent(event);
}

QPushButton* FieldDialog::addEndButton(const QString& text, const QString& objectName, int id) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(objectName);
    connect(button, &QPushButton::clicked, this, [this, id] { finish(id); });
    return button;
}

DialogButtons FieldDialog::addOkCancel() {
    QPushButton* ok = addEndButton(QStringLiteral("OK"), QStringLiteral("okButton"), 1);
    ok->setDefault(true);
    return {ok, addEndButton(QStringLiteral("キャンセル"), QStringLiteral("cancelButton"), 2)};
}

DialogButtons FieldDialog::addFieldsAndButtons(QGridLayout* fields) {
    const DialogButtons buttons = addOkCancel();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(CentredButtonRow(buttons.ok, buttons.cancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return buttons;
}

QLineEdit* AddLabelledEdit(QDialog* dialog, QGridLayout* fields, int row, const QString& label,
                           const QString& objectName, int columns) {
    auto* text = new QLabel(label, dialog);
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(objectName);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setMinimumWidth(180);
    text->setBuddy(edit);
    fields->addWidget(text, row, 0);
    fields->addWidget(edit, row, 1, 1, columns);
    return edit;
}

QHBoxLayout* CentredButtonRow(QPushButton* first, QPushButton* second) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(first);
    row->addWidget(second);
    row->addStretch();
    return row;
}

void WipeLineEdit(QLineEdit& edit) {
    QString text = edit.text();
    Wipe(text);
    edit.setText(QString());
}
