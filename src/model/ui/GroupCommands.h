#pragma once

class Workspace;

// The commands of the "グループ(G)" menu that change the group hierarchy. Each acts on the current
// group, found afresh from its tree item ("グループが見つかりません" when there is none), keeps the
// tree in step with the document item by item, and sets the modified flag when it changed the
// document. Notices go to the workspace's owner; XML engine failures propagate.

// "追加": asks for a name (again, with what was typed, while it is empty or already used by a
// child of the current group) and appends a new sub-group; its tree item comes in collapsed under
// the current group's item.
void AddGroupCommand(Workspace& ws);

// "変更": asks for the current group's new name (again, with what was typed, while a sibling
// element already has it) and renames it and its tree item. The root group cannot be renamed.
void RenameGroupCommand(Workspace& ws);

// "削除": after the question, removes the current group with everything below it, and its tree
// item; the tree's selected item becomes the current group and the item list is refilled.
void DeleteGroupCommand(Workspace& ws);

// "コピー" (move false) and "移動" (move true): marks the current group in the one mark slot,
// forgetting any marked item; a move mark draws its tree item cut. The root group cannot be
// marked.
void MarkGroupCommand(Workspace& ws, bool move);

// "貼り付け": appends a deep copy of the marked group (copy mark; the mark stays) or the marked
// group itself (move mark; the mark ends) under the current group, refusing a name already used
// there and a move into the marked group's own branch.
void PasteGroupCommand(Workspace& ws);
