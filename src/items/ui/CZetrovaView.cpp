#include "items/ui/CZetrovaView.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <algorithm>

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kCutRole = Qt::UserRole + 2;

QString RowDescription(int image, bool cut) {
    QString text =
        image == CZetrovaView::kSecretImage ? QStringLiteral("秘密") : QStringLiteral("通常");
    if (cut) text += QStringLiteral("、移動待ち");
    return text;
}
}  // namespace

CZetrovaView::CZetrovaView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("itemList"));
    // Named after its first column, as the menu "項目" that acts on it.
    setAccessibleName(QStringLiteral("項目"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("項目"), QStringLiteral("値")});
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setColumnWidth(0, 150);
    setColumnWidth(1, 400);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSortingEnabled(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

QIcon CZetrovaView::imageIcon(int image) {
    static const QIcon plain(QStringLiteral(":/zetrova/icons/item-plain.svg"));
    static const QIcon secret(QStringLiteral(":/zetrova/icons/item-secret.svg"));
    if (image == kPlainImage) return plain;
    if (image == kSecretImage) return secret;
    return {};
}

void CZetrovaView::clearRows() {
    if (currentIndex().isValid()) focusRowBeforeRefill_ = currentIndex().row();
    clear();
}

void CZetrovaView::setRows(const QList<Row>& rows) {
    clearRows();
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const Row& r : rows) {
        auto* item = new QTreeWidgetItem(QStringList{r.label, r.value});
        item->setIcon(0, imageIcon(r.image));
        item->setData(0, kImageRole, r.image);
        item->setData(0, Qt::AccessibleDescriptionRole, RowDescription(r.image, false));
        items.append(item);
    }
    addTopLevelItems(items);
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].cut) setRowCut(i, true);
    // Refilled under the keyboard (a command given from the list): the focus stays where it was.
    const int row = std::min(std::max(focusRowBeforeRefill_, 0), int(rows.size()) - 1);
    focusRowBeforeRefill_ = -1;
    if (row >= 0 && window()->focusWidget() == this) setCurrentItem(topLevelItem(row));
}

int CZetrovaView::appendRow(const QString& label, int image) {
    auto* row = new QTreeWidgetItem(this);
    row->setText(0, label);
    row->setIcon(0, imageIcon(image));
    row->setData(0, kImageRole, image);
    row->setData(0, Qt::AccessibleDescriptionRole, RowDescription(image, false));
    return topLevelItemCount() - 1;
}

void CZetrovaView::setCellText(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row); item && column >= 0 && column < columnCount())
        item->setText(column, text);
}

QString CZetrovaView::cellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

int CZetrovaView::rowImage(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

int CZetrovaView::selectedRow() const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->isSelected()) return i;
    return -1;
}

void CZetrovaView::selectRow(int row) {
    if (QTreeWidgetItem* item = topLevelItem(row)) setCurrentItem(item);
}

void CZetrovaView::setRowCut(int row, bool cut) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item) return;
    item->setData(0, kCutRole, cut);
    const QBrush text = cut ? palette().brush(QPalette::Disabled, QPalette::Text) : QBrush();
    const int image = item->data(0, kImageRole).toInt();
    const QIcon icon = imageIcon(image);
    item->setIcon(0, cut ? QIcon(icon.pixmap(iconSize(), QIcon::Disabled)) : icon);
    for (int c = 0; c < columnCount(); ++c) item->setForeground(c, text);
    item->setData(0, Qt::AccessibleDescriptionRole, RowDescription(image, cut));
}

bool CZetrovaView::rowCut(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && item->data(0, kCutRole).toBool();
}

void CZetrovaView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeWidget::currentChanged(current, previous);
    if (hasFocus()) selectFocusRow();
}

void CZetrovaView::focusInEvent(QFocusEvent* event) {
    // Qt gives the focus to the first row when no row had it.
    QTreeWidget::focusInEvent(event);
    selectFocusRow();
}

void CZetrovaView::selectFocusRow() {
    const QModelIndex focus = currentIndex();
    if (focus.isValid() && !selectionModel()->isRowSelected(focus.row(), focus.parent()))
        selectionModel()->select(focus,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CZetrovaView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) emit rightClicked();
    event->accept();
}
