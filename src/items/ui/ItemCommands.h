#pragma once

#include <QString>

#include "items/ItemRules.h"

class CZetrovaView;
class XmlNode;
class Workspace;

// The commands of the "項目(&I)" menu and the clipboard copy, on the items of the current group.
// They change the document directly, set the modified flag when they change it and refill the
// item list. Notices and questions go to the workspace's owner. A secret value is revealed (in
// the edit dialog or on the clipboard) only after the key has been typed again.

// "追加(&A)": the edit dialog, then the item is appended to the current group. A name the group
// already holds (a sub-group's included) asks "\"%s\" はすでに存在します。置き換えますか？": Yes
// replaces that child where it stands (a replaced sub-group also leaves the tree, and a group mark
// inside it is forgotten), No opens the dialog again with what was typed.
void AddItemCommand(Workspace& ws);

// "変更(&E)": the selected item in the edit dialog (a secret one only after the key). Keeping the
// name rewrites the item where it stands; a name the group does not hold asks
// "\"%s\"は新しい項目です。追加しますか？" and appends a new item beside the old one; a name
// another child already has is refused with "\"%s\" はすでに存在します" and the dialog opens again.
void ChangeItemCommand(Workspace& ws, const CZetrovaView* list);

// "削除(&D)": the selected item, after the question "\"%s\" を削除しますか" (caption "確認").
void DeleteItemCommand(Workspace& ws, const CZetrovaView* list);

// "コピー(&C)" (move false) and "移動(&M)" (move true): the selected item becomes the mark, in
// place of any previous item or group mark. A move-marked row is drawn cut while its group is
// shown.
void MarkItemCommand(Workspace& ws, const CZetrovaView* list, bool move);

// "貼り付け(&P)": a copy of the marked item is appended to the current group, unless the group
// already holds a child of that name ("\"%s\" はすでに存在します"). The first paste of a move takes
// the item out of its source group; the mark stays for further pastes, which only copy.
void PasteItemCommand(Workspace& ws);

// "コピー(&C)\tCtrl+C" and a right click in the list: the selected item's value, exactly as stored,
// goes to the clipboard; for a secret item only after the key, and offered as a secret (see
// Prompter::setClipboardText).
void CopyValueToClipboard(Workspace& ws, const CZetrovaView* list);

// The value of one item element to the clipboard, as CopyValueToClipboard puts the selected one
// there: exactly as stored, a secret only after the key and offered as a secret.
void CopyItemValue(Workspace& ws, const XmlNode& item);
