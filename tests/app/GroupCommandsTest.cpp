#include <gtest/gtest.h>

#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/ui/CZetrovaView.h"
#include "model/GroupRules.h"
#include "model/Schema.h"
#include "model/ui/CEditGroupDlg.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "support/ScriptedPrompter.h"

namespace {

const QString kNameUnstorable = QString::fromUtf16(group_rules::kNameUnstorable);

using namespace CommandId;

// The document as text: a group as name(children), an item as name=value, a secret as name*.
QString Outline(const XmlNode& node) {
    const QString name = schema::NameOf(node);
    if (schema::IsElementNamed(node, schema::kItem)) return name + u'=' + node.text();
    if (schema::IsElementNamed(node, schema::kSecret)) return name + u'*';
    QStringList children;
    for (XmlNode c = node.firstChild(); c; c = c.nextSibling())
        if (c.isElement()) children << Outline(c);
    return children.isEmpty() ? name : name + u'(' + children.join(u',') + u')';
}

// The tree as text, the same way; a collapsed item with an expand button is marked with "+".
QString TreeOutline(const QTreeWidgetItem* item) {
    QString text = item->text(0);
    if (item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator && !item->isExpanded())
        text += u'+';
    QStringList children;
    for (int i = 0; i < item->childCount(); ++i) children << TreeOutline(item->child(i));
    return children.isEmpty() ? text : text + u'(' + children.join(u',') + u')';
}

class GroupCommands : public ::testing::Test {
protected:
    GroupCommands() {
        load(
            "<group name='root'><group name='A'><item name='a'>1</item>"
            "<group name='A1'><group name='A11'/></group></group>"
            "<group name='B'><secret name='s'>x</secret></group><group name='C'/></group>");
    }

    void load(const char* xml) {
        LoadDocument(ws, xml);
        prompter.clearMessages();
    }

    GroupTreeWidget* tree() const { return h.frame->groupTree(); }
    // The tree item reached by labels below the root group's item.
    QTreeWidgetItem* item(const QStringList& labels = {}) const {
        return TreeItemByLabels(tree(), labels);
    }
    // A click: the tree's selection and the current group.
    void click(const QStringList& labels) {
        QTreeWidgetItem* target = item(labels);
        ASSERT_NE(target, nullptr) << labels.join(u'/').toStdString();
        tree()->setCurrentItem(target);
        ws.SetCurrentGroup(target);
    }
    void run(int id) { h.frame->dispatchCommand(id); }
    // Answers the next group name dialog with `name`, recording what it showed first.
    void type(const QString& name, int button = 1) {
        prompter.answerDialog<CEditGroupDlg>([this, name, button](CEditGroupDlg& d) {
            shown.append(d.name);
            d.name = name;
            return button;
        });
    }

    QString document() const { return Outline(ws.doc().root); }
    QString treeText() const { return TreeOutline(tree()->topLevelItem(0)); }

    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
    QStringList shown;
};

const QString kStart = QStringLiteral("root(A(a=1,A1(A11)),B(s*),C)");

TEST_F(GroupCommands, EveryCommandNeedsACurrentGroup) {
    for (int id : {GroupAdd, GroupEdit, GroupDelete, GroupCopy, GroupMove}) run(id);
    EXPECT_EQ(prompter.texts(), QStringList(5, QStringLiteral("グループが見つかりません")));
    EXPECT_EQ(prompter.dialogsShown(), 0);
    EXPECT_FALSE(ws.mark().isGroup());
    EXPECT_FALSE(ws.doc().modified);
}

TEST_F(GroupCommands, AddAppendsACollapsedBranchUnderTheCurrentGroup) {
    click({"B"});
    ws.tree()->collapseItem(item({"B"}));
    type("Sub");
    run(GroupAdd);
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B(s*,Sub),C)");
    // B, which held only an item, gains its expand button and stays collapsed.
    EXPECT_EQ(treeText(), "root(A+(A1+(A11)),B+(Sub),C)");
    EXPECT_EQ(ws.currentGroupItem(), item({"B"}));
    EXPECT_EQ(tree()->currentItem(), item({"B"}));
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(shown, QStringList{""});
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(GroupCommands, AddReopensTheDialogWithWhatWasTyped) {
    click({"A"});
    type("");       // empty: asked again
    type("A1");     // a sub-group's name
    type("a");      // an item's name
    type("a\x01");  // a character the data file cannot hold (stored, it would be U+FFFD)
    type(" ");      // blanks are a name
    run(GroupAdd);
    EXPECT_EQ(prompter.texts(),
              QStringList({"名前を入力してください", "同じ名前のグループがあります",
                           "同じ名前のグループがあります", kNameUnstorable}));
    EXPECT_EQ(shown, QStringList({"", "", "A1", "a", "a\x01"}));
    EXPECT_EQ(document(), "root(A(a=1,A1(A11), ),B(s*),C)");

    prompter.clearMessages();
    shown.clear();
    type(" ");
    type("kept", 2);  // cancelled: nothing added
    run(GroupAdd);
    EXPECT_EQ(shown, QStringList({"", " "}));
    EXPECT_EQ(document(), "root(A(a=1,A1(A11), ),B(s*),C)");
}

TEST_F(GroupCommands, NamesWithQuotesAndPercentSigns) {
    click({});
    const QString odd = QStringLiteral("it's \"100%s\" %1");
    type(odd);
    run(GroupAdd);
    click({odd});
    type("x's");
    run(GroupAdd);
    type(odd);  // the same name once more, under the root group
    prompter.cancelDialog();
    click({});
    run(GroupAdd);
    EXPECT_EQ(prompter.texts(), QStringList{"同じ名前のグループがあります"});
    prompter.answerYes();
    click({odd, "x's"});
    run(GroupDelete);
    EXPECT_EQ(prompter.texts().last(), "\"x's\" を削除しますか");
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B(s*),C," + odd + u')');
    EXPECT_TRUE(prompter.exhausted());
}

TEST_F(GroupCommands, RenameRefusesTheRootAndNamesInUse) {
    click({});
    run(GroupEdit);
    EXPECT_EQ(prompter.texts(), QStringList{"rootは変更できません。"});
    EXPECT_EQ(prompter.dialogsShown(), 0);

    prompter.clearMessages();
    click({"A", "A1"});
    type("A11");  // a child's name is no sibling's
    run(GroupEdit);
    EXPECT_EQ(shown, QStringList{"A1"});
    EXPECT_EQ(item({"A", "A11"})->text(0), "A11");
    EXPECT_EQ(document(), "root(A(a=1,A11(A11)),B(s*),C)");
    EXPECT_TRUE(ws.doc().modified);

    shown.clear();
    click({"B"});
    type(QString(QChar(0xD800)));  // an unpaired surrogate, which the data file cannot hold
    type("C");
    type("a");  // an item of another group
    run(GroupEdit);
    EXPECT_EQ(prompter.texts(), QStringList({kNameUnstorable, "同じ名前のグループがあります"}));
    EXPECT_EQ(shown, QStringList({"B", QString(QChar(0xD800)), "C"}));
    EXPECT_EQ(document(), "root(A(a=1,A11(A11)),a(s*),C)");
    EXPECT_EQ(treeText(), "root(A+(A11+(A11)),a,C)");

    // Keeping its own name and emptying it are both allowed; cancel changes nothing.
    ws.doc().modified = false;
    type("C", 2);
    run(GroupEdit);
    EXPECT_FALSE(ws.doc().modified);
    type("");
    run(GroupEdit);
    EXPECT_EQ(document(), "root(A(a=1,A11(A11)),(s*),C)");
    // The renamed group is still found from its item.
    EXPECT_EQ(ws.FindCurrentGroup(false), ws.doc().root.firstChild().nextSibling());
}

TEST_F(GroupCommands, DeleteAsksThenTakesTheBranchAndFollowsTheSelection) {
    click({});
    run(GroupDelete);
    EXPECT_EQ(prompter.texts(), QStringList{"rootは変更できません。"});

    prompter.clearMessages();
    click({"A"});
    prompter.answerNo();
    run(GroupDelete);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, "確認");
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Question);
    EXPECT_EQ(prompter.messages()[0].text, "\"A\" を削除しますか");
    EXPECT_EQ(document(), kStart);
    EXPECT_FALSE(ws.doc().modified);

    prompter.answerYes();
    run(GroupDelete);
    EXPECT_EQ(document(), "root(B(s*),C)");
    EXPECT_EQ(treeText(), "root(B,C)");
    EXPECT_TRUE(ws.doc().modified);
    // The tree selects the next item; it becomes current and the list shows its items.
    EXPECT_EQ(ws.currentGroupItem(), tree()->currentItem());
    EXPECT_EQ(ws.currentGroupItem(), item({"B"}));
    ASSERT_EQ(h.frame->itemList()->rowCount(), 1);
    EXPECT_EQ(h.frame->itemList()->cellText(0, 0), "s");
}

TEST_F(GroupCommands, CopyPastesIndependentDeepCopiesAndKeepsTheMark) {
    click({"A"});
    run(GroupCopy);
    EXPECT_TRUE(ws.mark().isGroup());
    EXPECT_FALSE(IsTreeItemCut(item({"A"})));
    EXPECT_FALSE(ws.doc().modified);

    click({"B"});
    run(GroupPaste);
    click({"C"});
    run(GroupPaste);
    run(GroupPaste);  // a second time under the same group
    EXPECT_EQ(prompter.texts(), QStringList{"同じ名前のグループがあります"});
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B(s*,A(a=1,A1(A11))),C(A(a=1,A1(A11))))");
    EXPECT_EQ(treeText(), "root(A+(A1+(A11)),B+(A+(A1+(A11))),C+(A+(A1+(A11))))");
    EXPECT_EQ(ws.currentGroupItem(), item({"C"}));
    EXPECT_TRUE(ws.doc().modified);

    // The copies share nothing with the original or with each other.
    click({"B", "A"});
    type("B-A");
    run(GroupEdit);
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B(s*,B-A(a=1,A1(A11))),C(A(a=1,A1(A11))))");

    // A copy pasted under the marked group itself becomes its last child, of the same name.
    click({"A"});
    run(GroupPaste);
    EXPECT_EQ(Outline(ws.doc().root.firstChild()), "A(a=1,A1(A11),A(a=1,A1(A11)))");
    // and below one of its own sub-groups too.
    click({"A", "A1", "A11"});
    run(GroupPaste);
    EXPECT_EQ(Outline(ws.doc().root.firstChild().firstChild().nextSibling()),
              "A1(A11(A(a=1,A1(A11),A(a=1,A1(A11)))))");
}

TEST_F(GroupCommands, MoveTakesTheGroupToTheEndOfTheTargetAndEndsTheMark) {
    click({"A", "A1"});
    tree()->expandItem(item({"A", "A1"}));
    run(GroupMove);
    EXPECT_TRUE(IsTreeItemCut(item({"A", "A1"})));
    click({"C"});
    ws.doc().modified = false;
    run(GroupPaste);
    EXPECT_EQ(document(), "root(A(a=1),B(s*),C(A1(A11)))");
    // The moved branch comes in collapsed, as the last child of the target's item.
    EXPECT_EQ(treeText(), "root(A+,B,C+(A1+(A11)))");
    EXPECT_FALSE(IsTreeItemCut(item({"C", "A1"})));
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(ws.currentGroupItem(), item({"C"}));

    // The moved group's old item is gone, so the mark is forgotten: another paste does nothing.
    EXPECT_FALSE(ws.mark().isGroup());
    click({"B"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(A(a=1),B(s*),C(A1(A11)))");
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(GroupCommands, MoveIntoItsOwnBranchOrItsOwnParentIsRefused) {
    click({"A"});
    run(GroupMove);
    for (const QStringList& target :
         {QStringList{"A"}, QStringList{"A", "A1"}, QStringList{"A", "A1", "A11"}}) {
        tree()->expandItem(item({"A"}));
        tree()->expandItem(item({"A", "A1"}));
        click(target);
        run(GroupPaste);
    }
    click({});
    run(GroupPaste);
    EXPECT_EQ(prompter.texts(), QStringList({"選択されたグループの下には移動できません",
                                             "選択されたグループの下には移動できません",
                                             "選択されたグループの下には移動できません",
                                             "同じ名前のグループがあります"}));
    EXPECT_EQ(document(), kStart);
    EXPECT_FALSE(ws.doc().modified);
    // Still pending: a valid target takes it.
    EXPECT_TRUE(IsTreeItemCut(item({"A"})));
    click({"C"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(B(s*),C(A(a=1,A1(A11))))");
}

TEST_F(GroupCommands, MoveMarkThenCopyMarkPastesACopy) {
    click({"B"});
    run(GroupMove);
    EXPECT_TRUE(IsTreeItemCut(item({"B"})));
    run(GroupCopy);
    EXPECT_FALSE(IsTreeItemCut(item({"B"})));
    click({"C"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B(s*),C(B(s*)))");

    // A move mark of another group clears the cut state it leaves behind, too.
    run(GroupMove);
    click({"A"});
    run(GroupMove);
    EXPECT_FALSE(IsTreeItemCut(item({"C"})));
    EXPECT_TRUE(IsTreeItemCut(item({"A"})));
    // The root group cannot be marked; the earlier group mark is gone all the same.
    click({});
    run(GroupCopy);
    EXPECT_EQ(prompter.texts(), QStringList{"rootは変更できません。"});
    EXPECT_FALSE(ws.mark().isGroup());
    EXPECT_FALSE(IsTreeItemCut(item({"A"})));
}

TEST_F(GroupCommands, AGroupMarkAndAnItemMarkShareOneSlot) {
    const XmlNode itemNode = ws.doc().root.firstChild().firstChild();
    ws.mark().kind = MarkSlot::Kind::Item;
    ws.mark().node = itemNode;
    // Refused marks leave the item marked.
    click({});
    run(GroupMove);
    EXPECT_TRUE(ws.mark().isItem());

    click({"B"});
    run(GroupCopy);
    EXPECT_TRUE(ws.mark().isGroup());
    EXPECT_EQ(ws.mark().node, ws.doc().root.firstChild().nextSibling());
    EXPECT_FALSE(ws.mark().itemMovePending());
}

TEST_F(GroupCommands, AMarkWhoseItemOrDocumentWentAwayIsForgotten) {
    // Deleted with its parent.
    click({"A", "A1"});
    run(GroupCopy);
    click({"A"});
    prompter.answerYes();
    run(GroupDelete);
    EXPECT_FALSE(ws.mark().isGroup());
    click({"C"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(B(s*),C)");

    // The document replaced by one with the same groups, the tree left as it was.
    click({"B"});
    run(GroupMove);
    XmlParseResult other =
        XmlDocument::parseBytes("<group name='root'><group name='B'/><group name='C'/></group>");
    ws.doc().document = other.document;
    ws.doc().root = other.document.documentElement();
    click({"C"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(B,C)");
    EXPECT_FALSE(ws.mark().isGroup());
    EXPECT_EQ(prompter.texts(), QStringList{"\"A\" を削除しますか"});
}

TEST_F(GroupCommands, AMovedGroupNoLongerInItsPlaceIsPastedAsACopy) {
    click({"B"});
    run(GroupMove);
    // Something else took B's place in the document behind the tree's back.
    XmlNode b = ws.doc().root.firstChild().nextSibling();
    XmlNode other = ws.doc().document.createElement(schema::kItem);
    other.setAttribute(schema::kName, QStringLiteral("B"));
    ws.doc().root.replaceChild(other, b);
    click({"C"});
    run(GroupPaste);
    EXPECT_EQ(document(), "root(A(a=1,A1(A11)),B=,C(B(s*)))");
    EXPECT_FALSE(ws.mark().isGroup());
    EXPECT_FALSE(IsTreeItemCut(item({"B"})));
}

}  // namespace
