#pragma once

#include <QString>
#include <optional>

#include "model/Schema.h"

class CZetrovaView;
class Workspace;
class QObject;

// Empties the list and fills it again with the items of the current group, in document order:
// the name, the kind's image, and the value ("*****" for a secret). The row of an item marked for
// moving is drawn dimmed while its source group is shown. An element of another kind shows the
// notice "\"%s\"の\"%s\" は知らない項目です。" with the group path and the element name.
void FillItemList(Workspace& workspace, CZetrovaView* list);

// The selected row of the list: its index, label (the item's name) and kind (plain or secret).
struct SelectedItem {
    int row = -1;
    QString name;
    schema::ItemKind kind = schema::kPlainItem;
};

// The notice of a command on the selected row when there is none.
inline constexpr char16_t kNoItemSelected[] = u"項目を選んでください";

// The selected row, or nothing after the notice "項目を選んでください".
std::optional<SelectedItem> GetSelectedItem(const CZetrovaView* list, QObject* owner);
