#include "CZetrovaView.h"

#include <QContextMenuEvent>
#include <QHeaderView>

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kCutRole = Qt::UserRole + 2;
}  // namespace

CZetrovaView::CZetrovaView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("itemList"));
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

void CZetrovaView::setRows(const QList<Row>& rows) {
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const Row& r : rows) {
        auto* item = new QTreeWidgetItem(QStringList{r.label, r.value});
        item->setIcon(0, imageIcon(r.image));
        item->setData(0, kImageRole, r.image);
        items.append(item);
    }
    addTopLevelItems(items);
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].cut) setRowCut(i, true);
}

int CZetrovaView::appendRow(const QString& label, int image) {
    auto* row = new QTreeWidgetItem(this);
    row->setText(0, label);
    row->setIcon(0, imageIcon(image));
    row->setData(0, kImageRole, image);
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
}

bool CZetrovaView::rowCut(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && item->data(0, kCutRole).toBool();
}

void CZetrovaView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) emit rightClicked();
    event->accept();
}
