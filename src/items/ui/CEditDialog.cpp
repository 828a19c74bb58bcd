#include "items/ui/CEditDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <limits>

#include "diag/MessageBoxes.h"
#include "model/ui/KeyEditAccessibility.h"

CEditDialog::CEditDialog(QString name_, QString value_, bool secret_, QWidget* parent)
    : QDialog(parent), name(std::move(name_)), value(std::move(value_)), secret(secret_) {
    setWindowTitle(QStringLiteral("編集"));

    auto* nameLabel = new QLabel(QStringLiteral("項目名"), this);
    nameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    // Texts from the document are shown whole, however long.
    nameEdit_->setMaxLength(std::numeric_limits<int>::max());
    nameEdit_->setMinimumWidth(220);
    nameLabel->setBuddy(nameEdit_);
    auto* valueLabel = new QLabel(QStringLiteral("値"), this);
    valueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    valueEdit_ = new QLineEdit(this);
    valueEdit_->setObjectName(QStringLiteral("valueEdit"));
    // It shows a secret value after the key, and generated passwords: neither goes out on the
    // accessibility bus as text.
    MarkAsKeyEdit(*valueEdit_);
    valueEdit_->setMaxLength(std::numeric_limits<int>::max());
    valueLabel->setBuddy(valueEdit_);

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

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    auto* generateButton = new QPushButton(QStringLiteral("生成"), this);
    generateButton->setObjectName(QStringLiteral("generateButton"));
    connect(ok, &QPushButton::clicked, this, [this] { finish(1); });
    connect(cancel, &QPushButton::clicked, this, [this] { finish(2); });
    connect(generateButton, &QPushButton::clicked, this, &CEditDialog::generate);

    auto* fields = new QGridLayout;
    fields->addWidget(nameLabel, 0, 0);
    fields->addWidget(nameEdit_, 0, 1);
    fields->addWidget(valueLabel, 1, 0);
    fields->addWidget(valueEdit_, 1, 1);

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

void CEditDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        nameEdit_->setText(name);
        valueEdit_->setText(value);
        (secret ? secretRadio_ : plainRadio_)->setChecked(true);
        // The recipe list starts at the first recipe at every showing.
        recipeList_->clear();
        recipeList_->addItems(PasswordRecipeTexts());
        recipeList_->setCurrentIndex(0);
        nameEdit_->setFocus();
    }
    QDialog::showEvent(event);
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

void CEditDialog::finish(int id) {
    name = nameEdit_->text();
    value = valueEdit_->text();
    secret = secretRadio_->isChecked();
    done(id);
}

void CEditDialog::reject() {
    finish(2);
}
