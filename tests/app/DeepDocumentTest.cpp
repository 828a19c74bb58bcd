#include <gtest/gtest.h>

#include <QTest>
#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/ui/CZetrovaView.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/SearchCommands.h"
#include "model/ui/Workspace.h"
#include "support/Documents.h"
#include "support/ScriptedPrompter.h"

namespace {

using namespace CommandId;

// The item `levels` steps down the first children from `top`, nullptr when the chain is shorter.
QTreeWidgetItem* Down(QTreeWidgetItem* top, int levels) {
    for (; top && levels > 0; --levels) top = top->childCount() > 0 ? top->child(0) : nullptr;
    return top;
}

int Level(const QTreeWidgetItem* item) {
    int level = 0;
    for (; item; item = item->parent()) ++level;
    return level;
}

}  // namespace

// A document deeper than the stack holds recursive walks (filling the tree recursively crashed at
// this depth): the tree shows it, and every command that walks it works.
TEST(DeepDocument, EveryWalkOfTheProgramWorksFiftyThousandLevelsDown) {
    const int depth = 50000;
    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
    GroupTreeWidget* tree = h.frame->groupTree();
    XmlParseResult parsed = XmlDocument::parseDataText(NestedGroups(depth));
    ASSERT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
    ws.doc().document = parsed.document;
    ws.doc().root = parsed.document.documentElement();
    ws.ResetViews();

    QTreeWidgetItem* root = tree->topLevelItem(0);
    QTreeWidgetItem* deepest = Down(root, depth);
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->text(0), QStringLiteral("g%1").arg(depth));
    EXPECT_EQ(deepest->childCount(), 0);

    // The * key opens the branch as deep as the tree opens.
    tree->setCurrentItem(root);
    QTest::keyClick(tree, Qt::Key_Asterisk);
    EXPECT_TRUE(Down(root, kTreeOpenDepthLimit - 2)->isExpanded());
    EXPECT_FALSE(Down(root, kTreeOpenDepthLimit - 1)->isExpanded());

    // A click on the deepest group finds its element and lists its item.
    ws.SetCurrentGroup(deepest);
    const XmlNode deepGroup = ws.FindCurrentGroup(true);
    ASSERT_FALSE(deepGroup.isNull());
    EXPECT_EQ(schema::NameOf(deepGroup), deepest->text(0));
    EXPECT_EQ(h.frame->itemList()->rowCount(), 1);
    EXPECT_EQ(h.frame->itemList()->cellText(0, 0), "x");

    // The search finds it from the top; the tree opens as deep as it can and says so.
    ws.SetCurrentGroup(nullptr);
    ASSERT_TRUE(FindNextGroup(ws, QStringLiteral("g%1").arg(depth)));
    EXPECT_EQ(ws.currentGroupItem(), deepest);
    EXPECT_EQ(Level(tree->currentItem()), kTreeOpenDepthLimit);
    EXPECT_EQ(
        prompter.texts(),
        QStringList{QStringLiteral(
                        "見つかったグループは%1階層目にあり、ツリーでは%2階層目までしか開けません")
                        .arg(depth + 1)
                        .arg(kTreeOpenDepthLimit)});
    prompter.clearMessages();

    // Copying the chain into its own deepest group doubles the depth.
    ws.SetCurrentGroup(Down(root, 1));
    h.frame->dispatchCommand(GroupCopy);
    ws.SetCurrentGroup(deepest);
    h.frame->dispatchCommand(GroupPaste);
    EXPECT_EQ(ws.doc().document.depth(), 2 * depth + 2);
    QTreeWidgetItem* copy = Down(deepest, 1);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Down(copy, depth - 1)->text(0), QStringLiteral("g%1").arg(depth));

    // Moving the copy up under the first group takes its branch out of the tree and back.
    ws.SetCurrentGroup(copy);
    h.frame->dispatchCommand(GroupMove);
    ws.SetCurrentGroup(Down(root, 1));
    h.frame->dispatchCommand(GroupPaste);
    EXPECT_EQ(ws.doc().document.depth(), depth + 3);
    ASSERT_EQ(Down(root, 1)->childCount(), 2);
    EXPECT_NE(Down(Down(root, 1)->child(1), depth - 1), nullptr);

    // Deleting the first group removes both chains; the rest stays usable.
    ws.SetCurrentGroup(Down(root, 1));
    prompter.answerYes();
    h.frame->dispatchCommand(GroupDelete);
    EXPECT_EQ(root->childCount(), 0);
    EXPECT_EQ(ws.doc().root.firstChild(), XmlNode());
    EXPECT_EQ(prompter.texts(), QStringList{"\"g1\" を削除しますか"});

    // A rebuild, and the window's end, tear a deep tree down as well.
    XmlParseResult again = XmlDocument::parseDataText(NestedGroups(depth));
    ws.doc().document = again.document;
    ws.doc().root = again.document.documentElement();
    ws.ResetViews();
    ws.ResetViews();
    EXPECT_EQ(Down(tree->topLevelItem(0), depth)->text(0), QStringLiteral("g%1").arg(depth));
    h.frame.reset();
}
