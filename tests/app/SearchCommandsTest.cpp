#include <gtest/gtest.h>

#include <QAction>
#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/ui/CZetrovaView.h"
#include "model/ui/CFindGroupDlg.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "support/ScriptedPrompter.h"

namespace {

using namespace CommandId;

class SearchCommands : public ::testing::Test {
protected:
    void load(const char* xml) {
        LoadDocument(ws, xml);
        prompter.clearMessages();
    }

    GroupTreeWidget* tree() const { return h.frame->groupTree(); }
    void run(int id) { h.frame->dispatchCommand(id); }
    // "検索" answered with text and flag ("OK").
    void find(const QString& text, bool caseSensitive = false) {
        prompter.answerDialog<CFindGroupDlg>([text, caseSensitive](CFindGroupDlg& d) {
            d.text = text;
            d.caseSensitive = caseSensitive;
            return 1;
        });
        run(GroupFind);
    }
    // The labels from the top down to the current group ("" for none).
    QString current() const { return LabelChain(ws.currentGroupItem()).join(u'/'); }
    bool findNextEnabled() const { return h.frame->menuAction(GroupFindNext)->isEnabled(); }

    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
};

TEST_F(SearchCommands, MailThenMailboxThenMailAgain) {
    load(
        "<group name='root'><group name='Mail'><item name='user'>me</item></group>"
        "<group name='mailbox'/></group>");
    EXPECT_FALSE(findNextEnabled());
    find("MAIL");
    EXPECT_EQ(current(), "root/Mail");
    EXPECT_EQ(tree()->currentItem(), ws.currentGroupItem());
    EXPECT_TRUE(findNextEnabled());
    // The list shows the found group's items.
    ASSERT_EQ(h.frame->itemList()->rowCount(), 1);
    EXPECT_EQ(h.frame->itemList()->cellText(0, 0), "user");
    run(GroupFindNext);
    EXPECT_EQ(current(), "root/mailbox");
    EXPECT_EQ(h.frame->itemList()->rowCount(), 0);
    run(GroupFindNext);
    EXPECT_EQ(current(), "root/Mail");
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(SearchCommands, CaseFlagAndFullWidthLetters) {
    load("<group name='root'><group name='Mail'/><group name='mailbox'/></group>");
    find("MAIL", true);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, "通知");
    EXPECT_EQ(prompter.messages()[0].text, "「MAIL」は見つかりませんでした");
    EXPECT_EQ(current(), "");
    // A failed first search leaves "次の検索" greyed, though the text is remembered.
    EXPECT_FALSE(findNextEnabled());
    EXPECT_EQ(ws.groupSearch().text, "MAIL");
    EXPECT_TRUE(ws.groupSearch().caseSensitive);

    prompter.clearMessages();
    find("ＭＡＩＬ");  // only the ASCII letters are folded
    EXPECT_EQ(prompter.texts(), QStringList{"「ＭＡＩＬ」は見つかりませんでした"});
    find("mAiLb");
    EXPECT_EQ(current(), "root/mailbox");
    EXPECT_TRUE(findNextEnabled());
}

TEST_F(SearchCommands, TheDialogShowsAndKeepsTheRememberedSearch) {
    load("<group name='root'><group name='Mail'/></group>");
    find("ai", true);
    EXPECT_EQ(current(), "root/Mail");

    QString shownText;
    bool shownFlag = false;
    prompter.answerDialog<CFindGroupDlg>([&](CFindGroupDlg& d) {
        shownText = d.text;
        shownFlag = d.caseSensitive;
        d.text = QStringLiteral("other");
        d.caseSensitive = false;
        return 2;
    });
    ws.SetCurrentGroup(nullptr);
    run(GroupFind);
    EXPECT_EQ(shownText, "ai");
    EXPECT_TRUE(shownFlag);
    // Cancelled: nothing remembered, nothing searched.
    EXPECT_EQ(ws.groupSearch().text, "ai");
    EXPECT_TRUE(ws.groupSearch().caseSensitive);
    EXPECT_EQ(current(), "");

    // An empty text greys "次の検索" and searches nothing.
    find("");
    EXPECT_FALSE(findNextEnabled());
    run(GroupFindNext);
    EXPECT_TRUE(prompter.texts().isEmpty());
    EXPECT_EQ(current(), "");
}

TEST_F(SearchCommands, FromNoGroupTheRootGroupItselfIsFound) {
    load("<group name='root'><group name='A'><item name='root item'>v</item></group></group>");
    find("OO");
    EXPECT_EQ(current(), "root");
    // The only matching group is found again; item names never match.
    run(GroupFindNext);
    EXPECT_EQ(current(), "root");
    find("item");
    EXPECT_EQ(prompter.texts(), QStringList{"「item」は見つかりませんでした"});
    EXPECT_EQ(current(), "root");
}

TEST_F(SearchCommands, ALastSiblingGoesOnToLaterMatchesAndRevealsThem) {
    // root{A{x1}, x2, B{C{x3}}}
    load(
        "<group name='root'><group name='A'><group name='x1'/></group><group name='x2'/>"
        "<group name='B'><group name='C'><group name='x3'/></group></group></group>");
    find("X");
    EXPECT_EQ(current(), "root/A/x1");
    EXPECT_TRUE(ws.currentGroupItem()->parent()->isExpanded());
    run(GroupFindNext);
    EXPECT_EQ(current(), "root/x2");
    run(GroupFindNext);
    EXPECT_EQ(current(), "root/B/C/x3");
    // The collapsed ancestors were opened to show it.
    EXPECT_TRUE(ws.currentGroupItem()->parent()->isExpanded());
    EXPECT_TRUE(ws.currentGroupItem()->parent()->parent()->isExpanded());
    run(GroupFindNext);
    EXPECT_EQ(current(), "root/A/x1");

    // A following sibling group comes before the current group's own sub-groups.
    ws.SetCurrentGroup(ws.currentGroupItem()->parent());
    find("x");
    EXPECT_EQ(current(), "root/x2");
}

TEST_F(SearchCommands, AMatchWithoutATreeItemOfItsOwn) {
    // The second A's sub-group and the group below the nameless one have no item of their own.
    load(
        "<group name='root'><group name='A'/><group name='A'><group name='hit'/></group>"
        "<group name=''><group name='deep'/></group></group>");
    find("hit");
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, "エラー");
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.messages()[0].text, "hitが見つかりません");
    find("deep");
    EXPECT_EQ(prompter.texts().last(), "deepが見つかりません");
    EXPECT_EQ(current(), "");
    EXPECT_FALSE(findNextEnabled());
}

TEST_F(SearchCommands, QuotesAndPercentSignsAreSearchedAsTyped) {
    load("<group name='root'><group name=\"it's &quot;50%s&quot;\"/><group name='%1'/></group>");
    find("'S \"5");
    EXPECT_EQ(current(), "root/it's \"50%s\"");
    find("%1");
    EXPECT_EQ(current(), "root/%1");
    find("%d'");
    EXPECT_EQ(prompter.texts(), QStringList{"「%d'」は見つかりませんでした"});
}

}  // namespace
