#include <gtest/gtest.h>

#include "diag/XmlError.h"
#include "model/ModelTestSupport.h"

namespace {

XmlDocument BankDocument() {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode bank = AddGroup(doc.documentElement(), QStringLiteral("Bank"));
    AddItem(bank, QStringLiteral("account"), QStringLiteral("123-456"));
    AddItem(bank, QStringLiteral("code"), QStringLiteral("9876"), true);
    return doc;
}

int ErrorCode(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const XmlError& e) {
        return e.code;
    }
    return 0;
}

}  // namespace

TEST(XmlNode, NewDocumentHoldsOnlyTheRootGroup) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    EXPECT_TRUE(schema::IsGroup(root));
    EXPECT_EQ(schema::NameOf(root), "root");
    EXPECT_TRUE(root.firstChild().isNull());
    EXPECT_TRUE(root.parentElement().isNull());
    EXPECT_TRUE(root.parent().isDocument());
    EXPECT_EQ(FromUtf16Le(doc.serialize("utf-16")),
              "<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<group name=\"root\"/>\n");
}

// The mark keeps a node after it left the tree and after the program dropped its document.
TEST(XmlNode, HandleOutlivesRemovalAndDocumentReplacement) {
    XmlDocument doc = BankDocument();
    XmlNode root = doc.documentElement();
    XmlNode mark = root.firstChild();
    XmlNode valueText = mark.firstChild().firstChild();
    EXPECT_EQ(root.removeChild(mark), mark);
    EXPECT_FALSE(mark.isInTree());
    EXPECT_TRUE(mark.parent().isNull());
    EXPECT_TRUE(root.firstChild().isNull());

    doc = schema::CreateNewDocument();  // the old document is only held by handles now
    root = doc.documentElement();
    EXPECT_EQ(schema::NameOf(mark), "Bank");
    EXPECT_EQ(valueText.text(), "123-456");
    EXPECT_EQ(mark.firstChild().nextSibling().text(), "9876");

    // Pasting into the new document copies; the mark itself stays where it was.
    XmlNode pasted = root.appendChild(mark);
    EXPECT_FALSE(pasted == mark);
    EXPECT_EQ(pasted.document(), doc);
    EXPECT_EQ(pasted.firstChild().nextSibling().name(), "secret");
    EXPECT_EQ(pasted.firstChild().nextSibling().text(), "9876");
    EXPECT_FALSE(mark.isInTree());
    mark = XmlNode();
    valueText = XmlNode();  // the last reference to the old document goes here
    EXPECT_EQ(doc.selectNodes("//item").size(), 1);
}

TEST(XmlNode, ReplacedAndOverwrittenNodesStayValid) {
    XmlDocument doc = BankDocument();
    XmlNode bank = doc.documentElement().firstChild();
    XmlNode account = bank.firstChild();
    XmlNode oldText = account.firstChild();
    account.setText(QStringLiteral("new"));
    EXPECT_EQ(oldText.text(), "123-456");
    EXPECT_EQ(account.text(), "new");

    XmlNode other = doc.createElement("item");
    other.setAttribute("name", "other");
    EXPECT_EQ(bank.replaceChild(other, account), account);
    EXPECT_EQ(bank.firstChild(), other);
    EXPECT_TRUE(account.parent().isNull());
    EXPECT_EQ(account.text(), "new");

    // A text node appended after another keeps its identity: libxml2 would merge and free it.
    XmlNode secretText = bank.firstChild().nextSibling().firstChild();
    other.setText("x");
    other.appendChild(secretText);
    EXPECT_EQ(secretText.parent(), other);
    EXPECT_EQ(other.text(), "x9876");
}

TEST(XmlNode, MovingWithinTheDocumentKeepsIdentity) {
    XmlDocument doc = BankDocument();
    XmlNode root = doc.documentElement();
    XmlNode bank = root.firstChild();
    XmlNode archive = AddGroup(root, "Archive");
    XmlNode moved = archive.appendChild(bank);
    EXPECT_EQ(moved, bank);
    EXPECT_EQ(bank.parent(), archive);
    EXPECT_EQ(root.firstChild(), archive);
    EXPECT_TRUE(archive.nextSibling().isNull());
    // Copies carry attributes and text and stay outside until appended.
    XmlNode copy = bank.cloneDeep();
    EXPECT_FALSE(copy.isInTree());
    EXPECT_EQ(schema::NameOf(copy), "Bank");
    EXPECT_EQ(copy.text(), bank.text());
}

TEST(XmlNode, RefusesImpossibleTreesAndNullHandles) {
    XmlDocument doc = BankDocument();
    XmlNode root = doc.documentElement();
    XmlNode bank = root.firstChild();
    EXPECT_EQ(ErrorCode([&] { bank.appendChild(root); }), XmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { bank.appendChild(bank); }), XmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { doc.appendChild(doc.createElement("group")); }), XmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { root.removeChild(bank.firstChild()); }), XmlError::kFail);
    EXPECT_EQ(ErrorCode([&] { doc.createElement("not a name"); }), XmlError::kFail);
    EXPECT_EQ(bank, root.firstChild());  // nothing changed

    EXPECT_EQ(ErrorCode([] { (void)XmlNode().name(); }), XmlError::kPointer);
    EXPECT_EQ(ErrorCode([&] { root.appendChild(XmlNode()); }), XmlError::kPointer);
    EXPECT_EQ(ErrorCode([] { (void)XmlDocument().documentElement(); }), XmlError::kPointer);
    EXPECT_EQ(ErrorCode([] { (void)XmlDocument().serialize("utf-16"); }), XmlError::kPointer);
}

TEST(XmlNode, TextIsStoredLiterallyAndOnlyAsXmlCanHoldIt) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode item = AddItem(doc.documentElement(), "a&amp;b", "&lt;not an entity&gt;");
    EXPECT_EQ(item.attribute("name"), QString("a&amp;b"));
    EXPECT_EQ(item.text(), "&lt;not an entity&gt;");
    EXPECT_EQ(item.attribute("missing"), std::nullopt);
    // Control characters cannot appear in an XML document, not even as references: they are
    // stored as U+FFFD so that the saved document still loads.
    item.setText(QString("a") + QChar(1) + "b" + QChar(0xD800));
    EXPECT_EQ(item.text(), QString("a") + QChar(0xFFFD) + "b" + QChar(0xFFFD));
    EXPECT_EQ(ReloadDataText(doc).documentElement().firstChild().text(), item.text());
}

TEST(XmlNode, SelectsInDocumentOrderAndReportsBadExpressions) {
    XmlDocument doc = BankDocument();
    XmlNode root = doc.documentElement();
    QList<XmlNode> all = doc.selectNodes("//*[@name]");
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[0], root);
    EXPECT_EQ(all[3].name(), "secret");
    EXPECT_EQ(doc.selectSingleNode("//secret"), all[3]);
    EXPECT_EQ(all[1].selectSingleNode("secret"), all[3]);  // relative to the context node
    // The first node must be an element to count.
    EXPECT_TRUE(root.selectSingleNode("@name").isNull());
    EXPECT_EQ(root.selectNodes("@name").front().text(), "root");

    try {
        doc.selectNodes("/group[@name='a'b']");
        FAIL() << "no error";
    } catch (const XmlError& e) {
        EXPECT_EQ(e.code, XmlError::kFail);
        ASSERT_TRUE(e.description.has_value());
        EXPECT_FALSE(e.description->isEmpty());
    }
    EXPECT_EQ(ErrorCode([&] { doc.selectNodes("count(//item)"); }), XmlError::kFail);
}

// libxml2's own deep copy recurses once per level; copies must not depend on the stack.
TEST(XmlNode, VeryDeepTreesAreCopied) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode top = AddGroup(doc.documentElement(), "top");
    XmlNode group = top;
    for (int depth = 0; depth < 100000; ++depth) {
        XmlNode e = doc.createElement("group");
        e.setAttribute("name", QString::number(depth));
        group = group.appendChild(e);
    }
    AddItem(group, "leaf", "value");
    XmlDocument other = schema::CreateNewDocument();
    XmlNode copy = other.documentElement().appendChild(top);
    EXPECT_EQ(copy.text(), "value");
    XmlNode leaf = other.selectSingleNode("//item[@name='leaf']");
    ASSERT_FALSE(leaf.isNull());
    EXPECT_EQ(schema::NameOf(leaf.parentElement()), "99999");
    EXPECT_EQ(top.cloneDeep().text(), "value");
}
