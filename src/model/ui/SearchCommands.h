#pragma once

class QString;
class QTreeWidgetItem;
class Workspace;

// The search commands of the "グループ(G)" menu: a group is found by a part of its name, forward
// from the current group with a wrap-around to the top, and becomes the current group.

// "検索": the search dialog filled with the remembered text and case flag; "OK" remembers what
// was entered and searches for it. Anything else changes nothing.
void FindGroupCommand(Workspace& ws);

// "次の検索": searches again for the remembered text.
void FindNextGroupCommand(Workspace& ws);

// The search itself, with the remembered case flag. An empty text only greys "次の検索". With no
// current group the search starts at the root group, else at the group after the current one.
// Not found: the notice "「%s」は見つかりませんでした". A found group without a tree item: the
// warning "%sが見つかりません" (caption "エラー"). Found: its tree item is selected and shown (its
// collapsed ancestors open), it becomes the current group and "次の検索" is enabled. True when
// the current group changed to the found one.
bool FindNextGroup(Workspace& ws, const QString& text);

// A found group's tree item becomes the current group: it is selected and scrolled to, its
// collapsed ancestors open from the top down (as far as the tree opens a branch; a deeper group is
// current all the same, with its deepest shown ancestor selected, after a notice saying so).
void MakeFoundGroupCurrent(Workspace& ws, QTreeWidgetItem* item);
