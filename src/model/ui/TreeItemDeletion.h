#pragma once

class QTreeWidget;
class QTreeWidgetItem;

// Deleting tree items whatever the depth of their branch. Qt's item destructor deletes an item's
// children recursively, one stack frame per level, and taking items out of a tree one by one
// walks the whole branch below each of them; a branch of a hundred thousand levels would
// overflow the stack or take hours. These take a branch out of its tree once and then delete it
// leaf first.

// Deletes `item` with its whole branch; nothing for nullptr.
void DeleteTreeItem(QTreeWidgetItem* item);

// Deletes every item of the tree.
void DeleteAllTreeItems(QTreeWidget* tree);
