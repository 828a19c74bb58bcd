#include "items/ui/CEditDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "diag/MessageBoxes.h"
#include "model/ui/KeyEditAccessibility.h"

CEditDialog::CEditDialog(QString name_, QString value_, bool secret_, QWidget* parent)
    : FieldDialog(parent), name(std::move(name_)), value(std::move(value_)), secret(secret_) {
    setWindowTitle(QStringLiteral("編集"));

    auto* fields = new QGridLayout;
    nameEdit_ =
        AddLabelledEdit(this, fields, 0, QStringLiteral("項目名"), QStringLiteral("nameEdit"));
    nameEdit_->setMinimumWidth(220);
    valueEdit_ =
        AddLabelledEdit(this, fields, 1, QStringLiteral("値"), QStringLiteral("valueEdit"));
    // It shows a secret value after the key, and generated passwords: neither goes out on the
    // accessibility bus as text.
    MarkAsKeyEdit(*valueEdit_);

    plainRadio_ = new QRadioButton(QStringLiteral("通常"), this);
    plainRadio_->setObjectName(QStringLiteral("plainRadio"));
    secretRadio_ = new QRadioButton(QStringLiteral("秘密"), this);
    secretRadio_->setObjectName(QStringLiteral("secretRadio"));
    auto* kinds = new QButtonGroup(this);
    kinds->addButton(plainRadio_);
    kinds->addButton(secretRadio_);

    recipeList_ = new QComboBox(this);
    recipeList_->setObjectName(QStringLiteral("recipeList"));
    recipeList_->setEditable(false);
    // The list has no label of its own: it is what "生成" generates from.
    recipeList_->setAccessibleName(QStringLiteral("生成"));

    const auto [ok, cancel] = addOkCancel();
    auto* generateButton = new QPushButton(QStringLiteral("生成"), this);
    generateButton->setObjectName(QStringLiteral("generateButton"));
    connect(generateButton, &QPushButton::clicked, this, &CEditDialog::generate);

    auto* kindRow = new QHBoxLayout;
    kindRow->addSpacing(8);
    kindRow->addWidget(plainRadio_);
    kindRow->addWidget(secretRadio_);
    kindRow->addStretch();
    kindRow->addWidget(recipeList_);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(ok);
    buttonRow->addWidget(cancel);
    buttonRow->addStretch();
    buttonRow->addWidget(generateButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(kindRow);
    layout->addLayout(buttonRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(nameEdit_, valueEdit_);
    setTabOrder(valueEdit_, plainRadio_);
    setTabOrder(plainRadio_, secretRadio_);
    setTabOrder(secretRadio_, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, recipeList_);
    setTabOrder(recipeList_, generateButton);
}

void CEditDialog::loadFields() {
    nameEdit_->setText(name);
    valueEdit_->setText(value);
    (secret ? secretRadio_ : plainRadio_)->setChecked(true);
    // The recipe list starts at the first recipe at every showing.
    recipeList_->clear();
    recipeList_->addItems(PasswordRecipeTexts());
    recipeList_->setCurrentIndex(0);
    nameEdit_->setFocus();
}

void CEditDialog::generate() {
    const std::optional<QString> password =
        GeneratePassword(recipeList_->currentIndex(), passwordDraw);
    if (!password) {
        Notice(this, kNoRandomSourceText);
        return;
    }
    valueEdit_->setText(*password);
}

bool CEditDialog::storeFields(int) {
    name = nameEdit_->text();
    value = valueEdit_->text();
    secret = secretRadio_->isChecked();
    return true;
}
