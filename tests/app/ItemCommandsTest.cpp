#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "items/ItemRules.h"
#include "items/ui/CEditDialog.h"
#include "items/ui/CZetrovaView.h"
#include "model/GroupRules.h"
#include "model/Lookups.h"
#include "model/Schema.h"
#include "model/XPathForms.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CInKeyDlg.h"
#include "support/ScriptedPrompter.h"

namespace {

constexpr int kAdd = 32778;
constexpr int kDelete = 32779;
constexpr int kChange = 32780;
constexpr int kMove = 32781;
constexpr int kCopy = 57634;
constexpr int kPaste = 57637;
constexpr int kClipboard = 32790;

const QString kKey = QStringLiteral("pass");

// What an edit dialog held when it was shown.
struct Shown {
    QString name;
    QString value;
    bool secret = false;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os) {
    *os << '{' << s.name.toStdString() << ", " << s.value.toStdString() << ", " << s.secret << '}';
}

class ItemCommands : public ::testing::Test {
protected:
    ItemCommands() {
        ws.doc().keyVerifier = MakeKeyVerifier(kKey);
        load(R"(<group name="root">
                  <group name="A"><item name="a">1</item><secret name="s">hidden</secret>
                    <item name="b">2</item><group name="Sub"><group name="Deep"/></group></group>
                  <group name="B"/>
                  <group name="C"/>
                </group>)");
    }

    void load(const char* xml) {
        LoadDocument(ws, xml);
        prompter.clearMessages();
    }

    // The tree item of a group below root, by labels.
    QTreeWidgetItem* treeItem(const QStringList& labels) {
        return TreeItemByLabels(h.frame->groupTree(), labels);
    }
    void open(const QString& group) { ws.SetCurrentGroup(treeItem({group})); }
    XmlNode group(const QString& name) {
        return FindGroupByPath(ws.doc().document,
                               xpath::BuildGroupPath({QStringLiteral("root"), name}), false);
    }

    // The children of a group as "kind:name=value", sub-groups as "group:name".
    QStringList children(const QString& name) {
        QStringList out;
        for (XmlNode n = group(name).firstChild(); n; n = n.nextSibling()) {
            if (!n.isElement()) continue;
            out << (schema::IsGroup(n) ? QStringLiteral("group:") + schema::NameOf(n)
                                       : n.name() + u':' + schema::NameOf(n) + u'=' + n.text());
        }
        return out;
    }
    // The list as "label=value", a cut row marked with a leading "~".
    QStringList rows() {
        QStringList out;
        for (int r = 0; r < list->rowCount(); ++r)
            out << (list->rowCut(r) ? QStringLiteral("~") : QString()) + list->cellText(r, 0) +
                       u'=' + list->cellText(r, 1);
        return out;
    }

    void run(int id, int row = -1) {
        if (row >= 0) list->selectRow(row);
        h.frame->dispatchCommand(id);
    }
    // Answers the next edit dialog, recording what it showed.
    void edit(const QString& name, const QString& value, bool secret, int result = 1) {
        prompter.answerDialog<CEditDialog>([=, this](CEditDialog& d) {
            shown.push_back({d.name, d.value, d.secret});
            d.name = name;
            d.value = value;
            d.secret = secret;
            return result;
        });
    }
    void cancelEdit() {
        prompter.answerDialog<CEditDialog>([this](CEditDialog& d) {
            shown.push_back({d.name, d.value, d.secret});
            return 2;
        });
    }
    void key(const QString& typed) { AnswerKey(prompter, typed); }
    void markGroup(const QString& name, bool move) {
        ws.mark().forget();
        ws.mark().kind = MarkSlot::Kind::Group;
        ws.mark().node = group(name);
        ws.mark().groupItem = TreeItemRef(h.frame->groupTree(), treeItem({name}));
        if (move) SetTreeItemCut(treeItem({name}), true);
    }

    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
    CZetrovaView* list = h.frame->itemList();
    std::vector<Shown> shown;
};

const QStringList kInitialA = {QStringLiteral("item:a=1"), QStringLiteral("secret:s=hidden"),
                               QStringLiteral("item:b=2"), QStringLiteral("group:Sub")};

// --- Add -------------------------------------------------------------------------------------

TEST_F(ItemCommands, AddAppendsAtTheEndAndShowsTheRow) {
    open("A");
    edit("c", "it's 100%", false);
    run(kAdd);
    edit("", "", true);  // the dialog checks nothing: an empty name is an item too
    run(kAdd);
    EXPECT_EQ(children("A"), kInitialA + QStringList({"item:c=it's 100%", "secret:="}));
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "b=2", "c=it's 100%", "=*****"}));
    EXPECT_EQ(shown, (std::vector<Shown>{{"", "", false}, {"", "", false}}));
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(list->selectedRow(), -1);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(ItemCommands, AddWithATakenNameAsksAndNoReopensTheDialogWithWhatWasTyped) {
    open("A");
    edit("a", "new", true);
    prompter.answerNo();
    cancelEdit();
    run(kAdd);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, QStringLiteral("通知"));
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Question);
    EXPECT_EQ(prompter.messages()[0].text,
              QStringLiteral("\"a\" はすでに存在します。置き換えますか？"));
    EXPECT_EQ(shown, (std::vector<Shown>{{"", "", false}, {"a", "new", true}}));
    EXPECT_EQ(children("A"), kInitialA);
    EXPECT_FALSE(ws.doc().modified);
}

// A name or value the data file cannot hold is refused, and the dialog comes again with what was
// typed: stored, its character would become U+FFFD.
TEST_F(ItemCommands, NamesAndValuesTheDataFileCannotHoldAreRefused) {
    open("A");
    edit("a\x1b", "v", false);
    edit("n", QString(QChar(0xDC00)), true);
    cancelEdit();
    run(kAdd);
    edit("a", "\xef\xbf\xbf", false);
    cancelEdit();
    run(kChange, 0);
    const QString value = QString::fromUtf16(kValueUnstorable);
    EXPECT_EQ(prompter.texts(),
              QStringList({QString::fromUtf16(group_rules::kNameUnstorable), value, value}));
    EXPECT_EQ(shown.back(), (Shown{"a", "\xef\xbf\xbf", false}));
    EXPECT_EQ(children("A"), kInitialA);
}

TEST_F(ItemCommands, AddReplacingAnItemKeepsItsPlace) {
    open("A");
    edit("a", "new", true);
    prompter.answerYes();
    run(kAdd);
    EXPECT_EQ(children("A"),
              QStringList({"secret:a=new", "secret:s=hidden", "item:b=2", "group:Sub"}));
    EXPECT_EQ(rows(), QStringList({"a=*****", "s=*****", "b=2"}));
    EXPECT_TRUE(ws.doc().modified);
}

TEST_F(ItemCommands, AddReplacingASubGroupTakesItsBranchOutOfTheTreeAndForgetsItsMark) {
    open("A");
    markGroup("A", false);  // any group mark elsewhere stays
    edit("Sub", "v", false);
    prompter.answerYes();
    run(kAdd);
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::Group);

    // A group mark inside the replaced branch is forgotten.
    load(R"(<group name="root"><group name="A"><group name="Sub"><group name="Deep"/></group>
            </group></group>)");
    open("A");
    ws.mark().kind = MarkSlot::Kind::Group;
    ws.mark().node = ws.doc().document.selectSingleNode(QStringLiteral("//group[@name='Deep']"));
    ws.mark().groupItem = TreeItemRef(h.frame->groupTree(), treeItem({"A", "Sub", "Deep"}));
    SetTreeItemCut(treeItem({"A", "Sub", "Deep"}), true);
    edit("Sub", "v", false);
    prompter.answerYes();
    run(kAdd);
    EXPECT_EQ(children("A"), QStringList({"item:Sub=v"}));
    ASSERT_NE(treeItem({"A"}), nullptr);
    EXPECT_EQ(treeItem({"A"})->childCount(), 0);
    EXPECT_EQ(treeItem({"A"})->childIndicatorPolicy(),
              QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::None);
    EXPECT_EQ(ws.currentGroupItem(), treeItem({"A"}));
    EXPECT_EQ(rows(), QStringList({"Sub=v"}));
}

TEST_F(ItemCommands, AddWithoutACurrentGroupReportsAfterTheDialog) {
    edit("a", "1", false);
    run(kAdd);
    EXPECT_EQ(prompter.texts(), QStringList({"グループが見つかりません"}));
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_FALSE(ws.doc().modified);
}

// --- Change ----------------------------------------------------------------------------------

TEST_F(ItemCommands, ChangeKeepingTheNameRewritesTheItemWhereItStands) {
    open("A");
    edit("a", "one", true);
    run(kChange, 0);
    EXPECT_EQ(shown, (std::vector<Shown>{{"a", "1", false}}));
    EXPECT_EQ(children("A"),
              QStringList({"secret:a=one", "secret:s=hidden", "item:b=2", "group:Sub"}));
    EXPECT_TRUE(prompter.messages().isEmpty());  // a plain item asks for no key
    EXPECT_TRUE(ws.doc().modified);
}

TEST_F(ItemCommands, ChangeToANewNameAsksNoReopensAndYesAppendsBesideTheOld) {
    open("A");
    edit("a2", "x", false);
    prompter.answerNo();
    edit("a3", "y", false);
    prompter.answerYes();
    run(kChange, 0);
    EXPECT_EQ(prompter.texts(), QStringList({"\"a2\"は新しい項目です。追加しますか？",
                                             "\"a3\"は新しい項目です。追加しますか？"}));
    EXPECT_EQ(shown, (std::vector<Shown>{{"a", "1", false}, {"a2", "x", false}}));
    EXPECT_EQ(children("A"), kInitialA + QStringList({"item:a3=y"}));
}

TEST_F(ItemCommands, ChangeToANameAnotherChildHasIsRefusedAndTheDialogReopens) {
    open("A");
    edit("b", "typed", true);    // another item's name
    edit("Sub", "typed", true);  // a sub-group's name
    edit("a", "kept", false);
    run(kChange, 0);
    ASSERT_EQ(prompter.texts(),
              QStringList({"\"b\" はすでに存在します", "\"Sub\" はすでに存在します"}));
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(shown, (std::vector<Shown>{
                         {"a", "1", false}, {"b", "typed", true}, {"Sub", "typed", true}}));
    EXPECT_EQ(children("A"),
              QStringList({"item:a=kept", "secret:s=hidden", "item:b=2", "group:Sub"}));

    // Cancel after a refusal changes nothing.
    ws.doc().modified = false;
    edit("b", "typed", false);
    cancelEdit();
    run(kChange, 0);
    EXPECT_EQ(children("A").first(), QStringLiteral("item:a=kept"));
    EXPECT_FALSE(ws.doc().modified);
}

TEST_F(ItemCommands, ChangeOfASecretAsksForTheKeyBeforeTheDialog) {
    open("A");
    key("wrong");
    prompter.cancelDialog();
    run(kChange, 1);
    EXPECT_EQ(prompter.texts(), QStringList({"キーが違います"}));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(prompter.dialogsShown(), 2);
    EXPECT_FALSE(ws.doc().modified);

    key(kKey);
    edit("s", "plain now", false);
    run(kChange, 1);
    EXPECT_EQ(shown, (std::vector<Shown>{{"s", "hidden", true}}));
    EXPECT_EQ(children("A")[1], QStringLiteral("item:s=plain now"));
    EXPECT_EQ(rows()[1], QStringLiteral("s=plain now"));
}

TEST_F(ItemCommands, RowCommandsWithoutASelectedRowOnlyAskForOne) {
    open("A");
    for (int id : {kChange, kDelete, kCopy, kMove, kClipboard}) run(id);
    EXPECT_EQ(prompter.texts(), QStringList(5, QStringLiteral("項目を選んでください")));
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::None);
    EXPECT_TRUE(prompter.clipboard().isEmpty());
    EXPECT_FALSE(ws.doc().modified);
}

// --- Delete ----------------------------------------------------------------------------------

TEST_F(ItemCommands, DeleteAsksWithTheConfirmCaption) {
    open("A");
    prompter.answerNo();
    run(kDelete, 2);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(prompter.messages()[0].text, QStringLiteral("\"b\" を削除しますか"));
    EXPECT_EQ(children("A"), kInitialA);
    EXPECT_FALSE(ws.doc().modified);

    prompter.answerYes();
    run(kDelete, 2);
    EXPECT_EQ(children("A"), QStringList({"item:a=1", "secret:s=hidden", "group:Sub"}));
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****"}));
    EXPECT_TRUE(ws.doc().modified);
}

// --- Copy, move and paste --------------------------------------------------------------------

TEST_F(ItemCommands, CopyMarkPastesCopiesButNeverOverAName) {
    open("A");
    run(kCopy, 1);
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "b=2"}));  // a copy mark dims nothing
    EXPECT_FALSE(ws.doc().modified);
    run(kPaste);
    EXPECT_EQ(prompter.texts(), QStringList({"\"s\" はすでに存在します"}));
    EXPECT_FALSE(ws.doc().modified);

    open("B");
    run(kPaste);
    run(kPaste);  // the second paste into the same group is refused
    EXPECT_EQ(children("B"), QStringList({"secret:s=hidden"}));
    EXPECT_EQ(rows(), QStringList({"s=*****"}));
    open("C");
    run(kPaste);
    EXPECT_EQ(children("C"), QStringList({"secret:s=hidden"}));
    EXPECT_EQ(children("A"), kInitialA);
    EXPECT_EQ(prompter.texts().size(), 2);
    EXPECT_TRUE(ws.doc().modified);
}

TEST_F(ItemCommands, MoveMarkDimsTheRowUntilTheFirstPasteWhichMovesLaterOnesCopy) {
    open("A");
    run(kMove, 2);
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "~b=2"}));
    open("B");
    open("A");
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "~b=2"}));

    run(kPaste);  // into its own group: refused, still pending
    EXPECT_EQ(prompter.texts(), QStringList({"\"b\" はすでに存在します"}));
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "~b=2"}));

    open("B");
    run(kPaste);
    EXPECT_EQ(children("B"), QStringList({"item:b=2"}));
    EXPECT_EQ(children("A"), QStringList({"item:a=1", "secret:s=hidden", "group:Sub"}));
    open("C");
    run(kPaste);
    EXPECT_EQ(children("C"), QStringList({"item:b=2"}));
    EXPECT_EQ(children("B"), QStringList({"item:b=2"}));
    open("A");
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****"}));
    EXPECT_TRUE(ws.doc().modified);
}

TEST_F(ItemCommands, ACopyMarkAfterAMoveMarkEndsTheMove) {
    open("A");
    run(kMove, 0);
    run(kCopy, 2);
    EXPECT_EQ(rows(), QStringList({"a=1", "s=*****", "b=2"}));
    open("B");
    run(kPaste);
    EXPECT_EQ(children("A"), kInitialA);
    EXPECT_EQ(children("B"), QStringList({"item:b=2"}));
}

TEST_F(ItemCommands, MarkingAnItemForgetsAGroupMarkAndItsCutState) {
    markGroup("C", true);
    ASSERT_TRUE(IsTreeItemCut(treeItem({"C"})));
    open("A");
    run(kCopy, 0);
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::Item);
    EXPECT_FALSE(IsTreeItemCut(treeItem({"C"})));

    // With a group mark in the slot, the item paste does nothing.
    markGroup("C", false);
    open("B");
    run(kPaste);
    EXPECT_TRUE(children("B").isEmpty());
    EXPECT_FALSE(ws.doc().modified);
}

TEST_F(ItemCommands, PendingMoveWhoseSourceNoLongerHoldsTheMarkedItemOnlyCopies) {
    open("A");
    run(kMove, 0);
    edit("a", "changed", false);  // the marked element is replaced by a new one
    run(kChange, 0);
    EXPECT_EQ(rows()[0], QStringLiteral("a=changed"));  // the marked element left the list
    open("B");
    run(kPaste);
    EXPECT_EQ(children("B"), QStringList({"item:a=1"}));
    EXPECT_EQ(children("A").first(), QStringLiteral("item:a=changed"));
    EXPECT_EQ(prompter.texts(), QStringList());
}

TEST_F(ItemCommands, TheDimmedRowFollowsTheMarkedItemWhenRowsAboveGo) {
    open("A");
    run(kMove, 2);
    prompter.answerYes();
    run(kDelete, 0);
    EXPECT_EQ(rows(), QStringList({"s=*****", "~b=2"}));
    prompter.answerYes();
    run(kDelete, 1);  // the marked item itself
    EXPECT_EQ(rows(), QStringList({"s=*****"}));
}

TEST_F(ItemCommands, NamesWithApostrophesPercentAndJapaneseTextWork) {
    load(R"(<group name="root"><group name="O'Brien's 100%"/><group name="銀行"/></group>)");
    ws.SetCurrentGroup(treeItem({"O'Brien's 100%"}));
    edit("it's \"x\" 50%", "値 100%s", false);
    run(kAdd);
    edit("it's \"x\" 50%", "値", false);
    prompter.answerNo();
    cancelEdit();
    run(kAdd);
    EXPECT_EQ(prompter.texts(),
              QStringList({"\"it's \"x\" 50%\" はすでに存在します。置き換えますか？"}));
    run(kMove, 0);
    ws.SetCurrentGroup(treeItem({"銀行"}));
    run(kPaste);
    EXPECT_EQ(children("銀行"), QStringList({"item:it's \"x\" 50%=値 100%s"}));
    EXPECT_TRUE(children("O'Brien's 100%").isEmpty());
    run(kClipboard, 0);
    EXPECT_EQ(prompter.clipboard(), QStringList({"値 100%s"}));
}

// --- Clipboard -------------------------------------------------------------------------------

TEST_F(ItemCommands, ClipboardGetsExactlyThePlainValueByMenuAndRightClick) {
    load(R"(<group name="root"><group name="A"><item name="a">  two
lines </item></group></group>)");
    open("A");
    run(kClipboard, 0);
    h.frame->show();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(list->viewport(), &click);
    EXPECT_EQ(prompter.clipboard(), QStringList(2, QStringLiteral("  two\nlines ")));
    EXPECT_EQ(prompter.clipboardSecret(), QList<bool>({false, false}));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_FALSE(ws.doc().modified);
}

TEST_F(ItemCommands, ClipboardGetsASecretOnlyAfterTheKey) {
    open("A");
    key("wrong");
    prompter.cancelDialog();
    run(kClipboard, 1);
    EXPECT_TRUE(prompter.clipboard().isEmpty());
    EXPECT_EQ(prompter.texts(), QStringList({"キーが違います"}));

    key(kKey);
    run(kClipboard, 1);
    EXPECT_EQ(prompter.clipboard(), QStringList({"hidden"}));
    // Offered as a secret: with the hint, and cleared again later.
    EXPECT_EQ(prompter.clipboardSecret(), QList<bool>({true}));
    EXPECT_TRUE(prompter.exhausted());
}

}  // namespace
