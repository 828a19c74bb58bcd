#include "storage/ui/CVersionsDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget* MakeList(QWidget* parent, const QStringList& headers, const QString& objectName) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(objectName);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(headers);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    return list;
}

}  // namespace

CVersionsDlg::CVersionsDlg(QWidget* parent) : FieldDialog(parent) {
    setWindowTitle(QStringLiteral("以前の版"));
    versions_ = MakeList(this, {QStringLiteral("日時"), QStringLiteral("今の内容との違い")},
                         QStringLiteral("versionList"));
    differences_ = MakeList(this, {QStringLiteral("違い"), QStringLiteral("グループと項目")},
                            QStringLiteral("differenceList"));
    differences_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    whole_ = new QPushButton(QStringLiteral("この版に戻す"), this);
    whole_->setObjectName(QStringLiteral("wholeVersionButton"));
    chosen_ = new QPushButton(QStringLiteral("選んだものを戻す"), this);
    chosen_->setObjectName(QStringLiteral("chosenPartsButton"));
    QPushButton* close = addEndButton(QStringLiteral("閉じる"), QStringLiteral("closeButton"), 2);
    close->setDefault(true);
    connect(whole_, &QPushButton::clicked, this, [this] {
        action = Action::WholeVersion;
        finish(1);
    });
    connect(chosen_, &QPushButton::clicked, this, [this] {
        action = Action::ChosenParts;
        finish(1);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {whole_, chosen_, close}) buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    auto* versionsLabel = new QLabel(QStringLiteral("版(&V):"), this);
    versionsLabel->setBuddy(versions_);
    auto* differencesLabel = new QLabel(QStringLiteral("選んだ版からの違い(&D):"), this);
    differencesLabel->setBuddy(differences_);
    layout->addWidget(versionsLabel);
    layout->addWidget(versions_, 1);
    layout->addWidget(differencesLabel);
    layout->addWidget(differences_, 1);
    layout->addLayout(buttons);
    resize(640, 480);

    summaries_ = new QTimer(this);
    summaries_->setInterval(0);
    connect(summaries_, &QTimer::timeout, this, &CVersionsDlg::fillNextSummary);
    connect(versions_, &QTreeWidget::currentItemChanged, this, &CVersionsDlg::showVersion);
    connect(differences_, &QTreeWidget::itemSelectionChanged, this, &CVersionsDlg::updateButtons);
}

void CVersionsDlg::loadFields() {
    action = Action::Close;
    versions_->clear();
    differences_->clear();
    for (const QString& time : times)
        versions_->addTopLevelItem(new QTreeWidgetItem({time, QStringLiteral("…")}));
    nextSummary_ = 0;
    summaries_->start();
    if (versions_->topLevelItemCount() > 0)
        versions_->setCurrentItem(versions_->topLevelItem(chosenVersion > 0 ? chosenVersion : 0));
    versions_->setFocus();
    updateButtons();
}

bool CVersionsDlg::storeFields(int id) {
    summaries_->stop();
    if (id != 1) action = Action::Close;
    chosenVersion = versions_->indexOfTopLevelItem(versions_->currentItem());
    chosenDifferences.clear();
    for (int i = 0; i < differences_->topLevelItemCount(); ++i)
        if (differences_->topLevelItem(i)->isSelected()) chosenDifferences.append(i);
    return true;
}

// Summaries are made one per turn of the event loop: opening and comparing a version takes a
// moment, and the list is usable meanwhile.
void CVersionsDlg::fillNextSummary() {
    if (nextSummary_ >= versions_->topLevelItemCount() || !summaryOf) {
        summaries_->stop();
        return;
    }
    versions_->topLevelItem(nextSummary_)->setText(1, summaryOf(nextSummary_));
    ++nextSummary_;
}

void CVersionsDlg::showVersion() {
    differences_->clear();
    const int row = versions_->indexOfTopLevelItem(versions_->currentItem());
    if (row >= 0 && differencesOf && opensOf && opensOf(row)) {
        QList<QTreeWidgetItem*> items;
        for (const DifferenceRow& d : differencesOf(row))
            items.append(new QTreeWidgetItem({d.kind, d.path}));
        differences_->addTopLevelItems(items);
    }
    updateButtons();
}

void CVersionsDlg::updateButtons() {
    const int row = versions_->indexOfTopLevelItem(versions_->currentItem());
    whole_->setEnabled(row >= 0 && opensOf && opensOf(row));
    chosen_->setEnabled(!differences_->selectedItems().isEmpty());
}
