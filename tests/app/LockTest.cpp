#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
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
#include "storage/ui/DocumentLock.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

using namespace CommandId;
const QString kKey = QStringLiteral("pass");

class Lock : public ::testing::Test {
protected:
    Lock() {
        ws.doc().keyVerifier = MakeKeyVerifier(kKey);
        ws.SetDataFilePath(QStringLiteral("/tmp/lock-test.dat"));
        LoadDocument(ws, R"(<group name="root"><group name="A"><item name="a">1</item>
          <secret name="s">hidden</secret><group name="Sub"><group name="Deep"/></group></group>
          <group name="B"><item name="b">2</item></group></group>)");
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
    EXPECT_FALSE(ws.doc().hasDocument() || ws.doc().modified);
    EXPECT_TRUE(ws.doc().keyVerifier.isEmpty() && ws.groupSearch().text.isEmpty());
    EXPECT_EQ(h.frame->groupTree()->topLevelItemCount() + h.frame->itemList()->rowCount(), 0);
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
    EXPECT_TRUE(prompter.messages()[0].text == u"キーが違います" && h.frame->locked());
    AnswerKey(prompter, kKey);
    h.frame->dispatchCommand(Unlock);
    ASSERT_FALSE(h.frame->locked());
    EXPECT_TRUE(prompter.exhausted());

    EXPECT_TRUE(ws.doc().modified && ws.doc().keyVerifier == MakeKeyVerifier(kKey));
    EXPECT_EQ(LabelChain(ws.currentGroupItem()), QStringList({"root", "A"}));
    EXPECT_TRUE(TreeItemByLabels(h.frame->groupTree(), {"A", "Sub"})->isExpanded());
    EXPECT_FALSE(TreeItemByLabels(h.frame->groupTree(), {"B"})->isExpanded());
    EXPECT_EQ(h.frame->itemList()->cellText(0, 1), QStringLiteral("1"));
    EXPECT_EQ(h.frame->itemList()->selectedRow(), 1);
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
    EXPECT_TRUE(h.quitCodes.empty() && h.frame->locked());
    AnswerKey(prompter, kKey);
    prompter.answerNo();
    h.frame->dispatchCommand(Exit);
    EXPECT_EQ(h.quitCodes, std::vector<int>({1}));
    ASSERT_FALSE(prompter.messages().isEmpty());
    EXPECT_EQ(prompter.messages().back().text,
              QStringLiteral("データが変更されています。保存しますか？"));
}

TEST_F(Lock, ChangesLockedAtTheSessionsEndAreKeptEncryptedAndOfferedAtTheNextStart) {
    TempDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    // The change: an item "neu" in B, unsaved.
    LoadDocument(ws, R"(<group name="root"><group name="A"/><group name="B"><item name="b">2</item>
                          <item name="neu">3</item></group></group>)");
    ws.doc().modified = true;
    h.frame->dispatchCommand(CommandId::Lock);
    ASSERT_TRUE(h.frame->lockController().keepChangesAtSessionEnd());
    const QString kept = LockedChangesPath(ws.doc().dataFilePath);
    ASSERT_TRUE(kept.startsWith(state.path() + QStringLiteral("/zetrova/unsaved-")));
    QFile keptFile(kept);  // readable by its owner only, encrypted
    EXPECT_EQ(keptFile.permissions() & 0x00FF, QFileDevice::Permissions());
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_FALSE(keptFile.readAll().contains("neu"));

    // The next start: the file as saved before, the key held; No keeps the offer for later.
    FrameHarness next;
    Workspace& nextWs = next.frame->workspace();
    nextWs.doc().keyVerifier = MakeKeyVerifier(kKey);
    nextWs.SetDataFilePath(QStringLiteral("/tmp/lock-test.dat"));
    LoadDocument(nextWs, R"(<group name="root"><group name="A"/><group name="B">)"
                         R"(<item name="b">2</item></group></group>)");
    prompter.answerNo();
    OfferLockedChanges(nextWs);
    EXPECT_TRUE(QFile::exists(kept) && !nextWs.doc().modified);
    prompter.answerYes();
    OfferLockedChanges(nextWs);
    EXPECT_TRUE(!QFile::exists(kept) && nextWs.doc().modified);
    EXPECT_TRUE(nextWs.doc().document.serialize(QStringLiteral("UTF-8")).contains("\"neu\""));
    qunsetenv("XDG_STATE_HOME");
}

}  // namespace
