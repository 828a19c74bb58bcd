#include "items/ui/ItemSearchPane.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <algorithm>

#include "diag/FormatText.h"
#include "diag/MessageBoxes.h"
#include "diag/XmlError.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemSearchModel.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/SearchCommands.h"
#include "model/ui/Workspace.h"

namespace {

// The row an item has in its group's list: the rows FillItemList makes before it.
int RowInList(const XmlNode& group, const XmlNode& item) {
    int row = 0;
    for (XmlNode n = group.firstChild(); n && n != item; n = n.nextSibling()) {
        if (!n.isElement()) continue;
        const QString kind = n.name();
        if ((kind == schema::kItem || kind == schema::kSecret) &&
            n.attribute(schema::kName).has_value())
            ++row;
    }
    return row;
}

// Runs what a key or a click in the pane asks for; an XML engine failure is reported and ends only
// that, as it ends a command.
template <class Action>
void Guarded(Action action) {
    try {
        action();
    } catch (const XmlError& error) {
        REPORT_XML_ERROR(error, MessageIcon::Warning);
    }
}

}  // namespace

ItemSearchPane::ItemSearchPane(CZetrovaView* list, QWidget* parent)
    : QWidget(parent), list_(list), field_(new QLineEdit(this)), results_(new QTreeView(this)) {
    setObjectName(QStringLiteral("itemSearchPane"));
    auto* label = new QLabel(QStringLiteral("検索"), this);
    label->setBuddy(field_);
    field_->setObjectName(QStringLiteral("itemSearchField"));
    field_->setAccessibleName(QStringLiteral("項目の検索"));
    field_->setClearButtonEnabled(true);
    field_->installEventFilter(this);

    model_ = std::make_unique<ItemSearchModel>(index_);
    results_->setObjectName(QStringLiteral("itemSearchResults"));
    results_->setAccessibleName(QStringLiteral("検索結果"));
    results_->setModel(model_.get());
    // Laid out like the item list; rows of one height, so that a view of many rows costs only
    // what it shows.
    results_->setRootIsDecorated(false);
    results_->setItemsExpandable(false);
    results_->setUniformRowHeights(true);
    results_->setAllColumnsShowFocus(true);
    results_->setSelectionMode(QAbstractItemView::SingleSelection);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->setIconSize(QSize(16, 16));
    results_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    results_->header()->setStretchLastSection(true);
    results_->header()->setSectionsMovable(false);
    results_->setColumnWidth(ItemSearchModel::kName, 150);
    results_->setColumnWidth(ItemSearchModel::kValue, 250);
    results_->setContextMenuPolicy(Qt::CustomContextMenu);
    results_->installEventFilter(this);
    results_->hide();
    connect(results_, &QTreeView::activated, this,
            [this](const QModelIndex& index) { Guarded([&] { goToResult(index.row()); }); });
    connect(results_, &QWidget::customContextMenuRequested, this, [this] { emit copyRequested(); });
    connect(field_, &QLineEdit::textChanged, this, [this] { Guarded([this] { refresh(); }); });

    auto* fieldRow = new QHBoxLayout;
    fieldRow->setContentsMargins(4, 2, 0, 2);
    fieldRow->addWidget(label);
    fieldRow->addWidget(field_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(fieldRow);
    layout->addWidget(list_, 1);
    layout->addWidget(results_, 1);
}

ItemSearchPane::~ItemSearchPane() {
    // The view goes after the members; it must not read an index that has been wiped.
    results_->setModel(nullptr);
    model_->setRows({});
}

void ItemSearchPane::focusField() {
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void ItemSearchPane::clearSearch() {
    // setText, unlike clear(), also drops the undo history, which would keep what was typed.
    field_->setText(QString());
    index_.clear();
}

void ItemSearchPane::documentChanged() {
    // Nothing on show may refer to the index while it is wiped.
    model_->setRows({});
    shownWords_.clear();
    index_.clear();
    if (resultsShown_) refresh();
    if (field_->hasFocus()) buildIndex();
}

void ItemSearchPane::buildIndex() {
    if (!index_.built() && ws_) index_.build(ws_->doc().root);
}

void ItemSearchPane::refresh() {
    const QStringList words = SearchWords(field_->text());
    if (words.isEmpty() || !ws_) {
        showList();
        return;
    }
    buildIndex();
    // A query that only grew is looked for among the results on show.
    std::vector<int> rows = resultsShown_ && SearchNarrows(shownWords_, words)
                                ? index_.match(words, &model_->rows())
                                : index_.match(words);
    const int found = int(rows.size());
    model_->setRows(std::move(rows));
    shownWords_ = words;
    if (!resultsShown_) {
        resultsShown_ = true;
        list_->hide();
        results_->show();
    }
    ws_->ShowStatus(found ? FormatText(u"項目が%d件見つかりました", {found})
                          : QStringLiteral("合う項目はありません"));
}

void ItemSearchPane::showList() {
    if (!resultsShown_) return;
    resultsShown_ = false;
    model_->setRows({});
    shownWords_.clear();
    results_->hide();
    list_->show();
    if (ws_) ws_->ShowStatus(QString());
}

void ItemSearchPane::moveHighlight(int step) {
    const int rows = model_->rowCount();
    if (rows == 0) return;
    const QModelIndex current = results_->currentIndex();
    int row = current.isValid() ? current.row() + step : (step > 0 ? 0 : rows - 1);
    row = std::clamp(row, 0, rows - 1);
    results_->setCurrentIndex(model_->index(row, 0));
}

XmlNode ItemSearchPane::highlightedItem() const {
    const QModelIndex current = results_->currentIndex();
    if (!resultsShown_ || !current.isValid() || current.row() >= int(model_->rows().size()))
        return {};
    return index_.item(model_->rows()[current.row()]);
}

bool ItemSearchPane::goToHighlighted() {
    const QModelIndex current = results_->currentIndex();
    return resultsShown_ && current.isValid() && goToResult(current.row());
}

bool ItemSearchPane::goToResult(int row) {
    if (!ws_ || !resultsShown_ || row < 0 || row >= int(model_->rows().size())) return false;
    const int entry = model_->rows()[row];
    // Copies: emptying the field lets the results go.
    const XmlNode group = index_.group(entry);
    const XmlNode item = index_.item(entry);
    QTreeWidgetItem* treeItem = TreeItemForGroup(ws_->tree(), group);
    if (!treeItem) return false;
    field_->clear();
    MakeFoundGroupCurrent(*ws_, treeItem);
    list_->selectRow(RowInList(group, item));
    list_->setFocus(Qt::OtherFocusReason);
    return true;
}

bool ItemSearchPane::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    // Built as the field gets the focus, so that the first key typed does not wait for it.
    if (watched == field_ && type == QEvent::FocusIn) Guarded([this] { buildIndex(); });
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // Ctrl+C in the field copies the highlighted result's value rather than the field's text.
    if (watched == field_ && resultsShown_ && key->matches(QKeySequence::Copy)) {
        event->accept();
        if (type == QEvent::KeyPress) emit copyRequested();
        return true;
    }
    if (type != QEvent::KeyPress) return false;
    if (key->key() == Qt::Key_Escape && !field_->text().isEmpty()) {
        field_->clear();
        if (watched == results_) field_->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (watched != field_ || !resultsShown_) return false;
    switch (key->key()) {
        case Qt::Key_Down:
            moveHighlight(1);
            return true;
        case Qt::Key_Up:
            moveHighlight(-1);
            return true;
        case Qt::Key_PageDown:
            moveHighlight(10);
            return true;
        case Qt::Key_PageUp:
            moveHighlight(-10);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // With nothing highlighted the first result is meant.
            Guarded([this] {
                if (!goToHighlighted()) goToResult(0);
            });
            return true;
    }
    return false;
}
