#include "model/ui/DialogParts.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <limits>

#include "diag/SecureWipe.h"

QLineEdit* AddLabelledEdit(QDialog* dialog, QGridLayout* fields, int row, const QString& label,
                           const QString& objectName) {
    auto* text = new QLabel(label, dialog);
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(dialog);
    edit->setObjectName(objectName);
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setMinimumWidth(180);
    text->setBuddy(edit);
    fields->addWidget(text, row, 0);
    fields->addWidget(edit, row, 1);
    return edit;
}

DialogButtons AddFieldsAndButtons(QDialog* dialog, QGridLayout* fields,
                                  const std::function<void(int id)>& finish) {
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(ok, &QPushButton::clicked, dialog, [finish] { finish(1); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [finish] { finish(2); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return {ok, cancel};
}

void WipeLineEdit(QLineEdit& edit) {
    QString text = edit.text();
    Wipe(text);
    edit.setText(QString());
}
