#include "items/ui/ItemListFill.h"

#include "diag/MessageBoxes.h"
#include "items/ui/CZetrovaView.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"

void FillItemList(Workspace& ws, CZetrovaView* list) {
    list->clearRows();
    QTreeWidgetItem* current = ws.currentGroupItem();
    // The list follows the current group; the tree tells a screen reader which one that is.
    if (ws.tree()) ws.tree()->setCurrentGroupShown(current);
    if (!current) return;
    const XmlNode group = ws.FindCurrentGroup(true);
    if (!group) return;
    const bool movePending = ws.mark().itemMovePending() && ws.mark().sourceGroup == group;

    QList<CZetrovaView::Row> rows;
    for (XmlNode node = group.firstChild(); node; node = node.nextSibling()) {
        if (!node.isElement()) continue;
        const QString kind = node.name();
        if (kind == schema::kGroup) continue;
        const std::optional<QString> name = node.attribute(schema::kName);
        if (!name) continue;
        CZetrovaView::Row row;
        if (kind == schema::kItem) {
            row.image = CZetrovaView::kPlainImage;
            row.value = node.text();
        } else if (kind == schema::kSecret) {
            row.image = CZetrovaView::kSecretImage;
            row.value = QStringLiteral("*****");
        } else {
            // The path is built only here: for a deep group it is a long text.
            Notice(ws.owner(), u"\"%s\"の\"%s\" は知らない項目です。", GroupPathOfItem(current),
                   kind);
            continue;
        }
        row.label = *name;
        row.cut = movePending && rows.size() == ws.mark().row;
        rows.append(std::move(row));
    }
    list->setRows(rows);
}

std::optional<SelectedItem> GetSelectedItem(const CZetrovaView* list, QObject* owner) {
    const int row = list->selectedRow();
    if (row < 0) {
        Notice(owner, kNoItemSelected);
        return std::nullopt;
    }
    return SelectedItem{row, list->cellText(row, 0),
                        list->rowImage(row) == CZetrovaView::kSecretImage ? schema::kSecretItem
                                                                          : schema::kPlainItem};
}
