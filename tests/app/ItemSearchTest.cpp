// The item search of the main window, driven through its field as the keyboard drives it.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/ui/CEditDialog.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemSearchModel.h"
#include "items/ui/ItemSearchPane.h"
#include "model/ui/CEditGroupDlg.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "storage/KeyVerifier.h"
#include "support/ScriptedPrompter.h"

namespace {

using namespace CommandId;

class ItemSearchFlow : public ::testing::Test {
protected:
    ItemSearchFlow() {
        ws.doc().keyVerifier = MakeKeyVerifier("pass");
        LoadDocument(ws, R"(<group name="root"><item name="top">x</item>
            <group name="銀行"><item name="口座">1234</item><secret name="暗証">taro's pin</secret>
              <group name="ネット"><item name="ID">ＴＡＲＯ</item></group></group>
            <group name="Mail"><item name="user">たろう taro</item></group></group>)");
    }
    QLineEdit* field() const { return h.frame->itemSearch()->field(); }
    // The whole field's text at once (QTest types ASCII only).
    void type(const QString& text) { field()->setText(text); }
    void key(int k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(field(), Qt::Key(k), m); }
    // The results as "name|value|group".
    QStringList results() const {
        const ItemSearchModel& m = h.frame->itemSearch()->results();
        QStringList out;
        for (int r = 0; r < m.rowCount(); ++r)
            out << m.index(r, 0).data().toString() + u'|' + m.index(r, 1).data().toString() + u'|' +
                       m.index(r, 2).data().toString();
        return out;
    }
    bool listShown() const { return h.frame->itemSearch()->resultsView()->isHidden(); }

    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
};

TEST_F(ItemSearchFlow, TypeMoveCopyGoAndEscape) {
    ws.SetCurrentGroup(TreeItemByLabels(h.frame->groupTree(), {"Mail"}));
    h.frame->dispatchCommand(ItemSearch);
    QTest::keyClicks(field(), "taro");  // each key narrows the results of the one before
    EXPECT_EQ(results(), QStringList({"ID|ＴＡＲＯ|/銀行/ネット", "user|たろう taro|/Mail"}));
    EXPECT_EQ(h.frame->statusText(), "項目が2件見つかりました");
    EXPECT_FALSE(listShown());

    // Down twice highlights the second result; Ctrl+C copies its value.
    for (int k : {Qt::Key_Down, Qt::Key_Down}) key(k);
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(prompter.clipboard(), QStringList({"たろう taro"}));
    // A secret's value only after the key, offered as a secret; its value is never searched.
    type("pin");
    EXPECT_EQ(results(), QStringList());
    EXPECT_EQ(h.frame->statusText(), "合う項目はありません");
    type("暗証　銀行");
    ASSERT_EQ(results(), QStringList({"暗証|*****|/銀行"}));
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(prompter.texts(), QStringList({"項目を選んでください"}));
    key(Qt::Key_Down);
    AnswerKey(prompter, "pass");
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(prompter.clipboard().last(), "taro's pin");
    EXPECT_EQ(prompter.clipboardSecret().last(), true);

    // Return: the result's group becomes current and the item is selected in its own list.
    key(Qt::Key_Return);
    EXPECT_EQ(LabelChain(ws.currentGroupItem()), QStringList({"root", "銀行"}));
    EXPECT_TRUE(listShown());
    EXPECT_EQ(h.frame->itemList()->selectedRow(), 1);

    // Escape brings the group's list back as it was.
    type("top");
    EXPECT_EQ(results(), QStringList({"top|x|/"}));
    key(Qt::Key_Escape);
    EXPECT_TRUE(listShown());
    EXPECT_EQ(h.frame->itemList()->rowCount(), 2);
    EXPECT_EQ(h.frame->statusText(), "");
}

// The results follow the document: an item added, a group renamed, a result deleted (in its own
// list, after the question), the document read again.
TEST_F(ItemSearchFlow, ResultsFollowTheDocument) {
    ws.SetCurrentGroup(TreeItemByLabels(h.frame->groupTree(), {"銀行"}));
    type("taro");
    prompter.answerDialog<CEditDialog>([](CEditDialog& d) {
        d.name = "new";
        d.value = "taro2";
        return 1;
    });
    h.frame->dispatchCommand(ItemAdd);
    EXPECT_EQ(results(), QStringList({"ID|ＴＡＲＯ|/銀行/ネット", "new|taro2|/銀行",
                                      "user|たろう taro|/Mail"}));
    ws.SetCurrentGroup(TreeItemByLabels(h.frame->groupTree(), {"Mail"}));
    prompter.answerDialog<CEditGroupDlg>([](CEditGroupDlg& d) {
        d.name = "Post";
        return 1;
    });
    h.frame->dispatchCommand(GroupEdit);
    EXPECT_EQ(results().last(), "user|たろう taro|/Post");

    // A command on the selected row with a result highlighted acts on that result.
    h.frame->dispatchCommand(ItemDelete);
    EXPECT_EQ(prompter.texts(), QStringList({"項目を選んでください"}));
    key(Qt::Key_Up);
    prompter.answerYes();
    h.frame->dispatchCommand(ItemDelete);
    EXPECT_EQ(prompter.texts().last(), "\"user\" を削除しますか");
    EXPECT_EQ(LabelChain(ws.currentGroupItem()), QStringList({"root", "Post"}));
    type("taro");
    EXPECT_EQ(results().size(), 2);

    LoadDocument(ws, R"(<group name="root"><item name="taro">1</item></group>)");
    EXPECT_EQ(results(), QStringList({"taro|1|/"}));
    EXPECT_EQ(h.frame->statusText(), "項目が1件見つかりました");
}

}  // namespace
