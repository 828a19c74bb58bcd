#include <gtest/gtest.h>

#include <QAction>
#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "app/LockController.h"
#include "app/LockWidgets.h"
#include "app/ProportionalSplitter.h"
#include "items/ui/CZetrovaView.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/KeyVerifier.h"
#include "support/ScriptedPrompter.h"

namespace {

using namespace CommandId;
const QString kKey = QStringLiteral("pass");

class Lock : public ::testing::Test {
protected:
    Lock() {
        ws.doc().keyVerifier = MakeKeyVerifier(kKey);
        ws.SetDataFilePath(QStringLiteral("/tmp/lock-test.dat"));
        LoadDocument(ws, R"(<group name="root">
                  <group name="A"><item name="a">1</item><secret name="s">hidden</secret>
                    <group name="Sub"><group name="Deep"/></group></group>
                  <group name="B"><item name="b">2</item></group>
                </group>)");
        h.frame->lockController().setEnabled(true);
        // Where the user was: A/Sub open, A current, its second row selected, a change unsaved.
        QTreeWidgetItem* a = TreeItemByLabels(h.frame->groupTree(), {"A"});
        a->setExpanded(true);
        TreeItemByLabels(h.frame->groupTree(), {"A", "Sub"})->setExpanded(true);
        ws.SetCurrentGroup(a);
        h.frame->itemList()->selectRow(1);
        ws.doc().modified = true;
        ws.groupSearch().text = QStringLiteral("Su");
        prompter.clearMessages();
    }

    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
};

TEST_F(Lock, KeepsTheChangesEncryptedWipesTheRestAndComesBackWithTheKeyOnly) {
    h.frame->dispatchCommand(CommandId::Lock);
    ASSERT_TRUE(h.frame->locked());
    EXPECT_FALSE(ws.doc().hasDocument());
    EXPECT_TRUE(ws.doc().keyVerifier.isEmpty());
    EXPECT_FALSE(ws.doc().modified);
    EXPECT_TRUE(ws.groupSearch().text.isEmpty());
    EXPECT_EQ(h.frame->groupTree()->topLevelItemCount(), 0);
    EXPECT_EQ(h.frame->itemList()->rowCount(), 0);
    EXPECT_EQ(h.frame->centralWidget(), static_cast<QWidget*>(h.frame->lockedPage()));
    EXPECT_TRUE(h.frame->windowTitle().endsWith(QStringLiteral(" /tmp/lock-test.dat（ロック中）")));
    // Commands that need the document are off, and refused when sent anyway.
    for (const int id : {FileSave, FileSaveAs, Export, ItemAdd, GroupFind, ClipboardCopy, Settings})
        EXPECT_FALSE(h.frame->menuAction(id)->isEnabled()) << id;
    for (const int id : {Exit, FileClose, Help, About, LockSettings})
        EXPECT_TRUE(h.frame->menuAction(id)->isEnabled()) << id;
    h.frame->dispatchCommand(ItemAdd);
    EXPECT_TRUE(prompter.messages().isEmpty());

    // A wrong key says so and stays locked; cancelling stays locked; the right key unlocks.
    AnswerKey(prompter, QStringLiteral("wrong"));
    prompter.cancelDialog();
    h.frame->dispatchCommand(Unlock);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].text, QStringLiteral("キーが違います"));
    EXPECT_TRUE(h.frame->locked());
    AnswerKey(prompter, kKey);
    h.frame->dispatchCommand(Unlock);
    ASSERT_FALSE(h.frame->locked());
    EXPECT_TRUE(prompter.exhausted());

    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(ws.doc().keyVerifier, MakeKeyVerifier(kKey));
    EXPECT_EQ(LabelChain(ws.currentGroupItem()), QStringList({"root", "A"}));
    EXPECT_TRUE(TreeItemByLabels(h.frame->groupTree(), {"A", "Sub"})->isExpanded());
    EXPECT_FALSE(TreeItemByLabels(h.frame->groupTree(), {"B"})->isExpanded());
    EXPECT_EQ(h.frame->itemList()->rowCount(), 2);
    EXPECT_EQ(h.frame->itemList()->selectedRow(), 1);
    EXPECT_EQ(h.frame->itemList()->cellText(0, 1), QStringLiteral("1"));
    EXPECT_EQ(h.frame->centralWidget(), static_cast<QWidget*>(h.frame->splitter()));
    EXPECT_TRUE(h.frame->menuAction(FileSave)->isEnabled());
    EXPECT_FALSE(h.frame->windowTitle().contains(QStringLiteral("ロック中")));
}

TEST_F(Lock, ExitWhileLockedWithChangesAsksTheKeyFirst) {
    h.frame->dispatchCommand(CommandId::Lock);
    ASSERT_TRUE(h.frame->locked());
    // No key: the program goes on, locked.
    prompter.cancelDialog();
    h.frame->dispatchCommand(Exit);
    EXPECT_TRUE(h.quitCodes.empty());
    EXPECT_TRUE(h.frame->locked());
    // The key, then the save question (No): the program ends.
    AnswerKey(prompter, kKey);
    prompter.answerNo();
    h.frame->dispatchCommand(Exit);
    EXPECT_EQ(h.quitCodes, std::vector<int>({1}));
    ASSERT_FALSE(prompter.messages().isEmpty());
    EXPECT_EQ(prompter.messages().back().text,
              QStringLiteral("データが変更されています。保存しますか？"));
}

}  // namespace
