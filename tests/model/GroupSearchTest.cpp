#include <gtest/gtest.h>

#include "GroupSearch.h"
#include "ModelTestSupport.h"
#include "XmlError.h"

namespace {

// One press of Find / F3: where the search starts for the current group, then the walk.
XmlNode FindNext(const XmlNode& current, const XmlNode& root, const QString& text,
                 bool caseSensitive = false) {
    XmlNode start = SearchStartGroup(current, root);
    return start.isNull() ? XmlNode() : FindGroupByName(start, text, caseSensitive);
}

}  // namespace

TEST(GroupSearch, NameMatchFoldsOnlyAsciiLetters) {
    EXPECT_TRUE(NameContains("mailbox", "MAIL", false));
    EXPECT_FALSE(NameContains("mailbox", "MAIL", true));
    EXPECT_TRUE(NameContains("mailbox", "ilb", true));
    EXPECT_FALSE(NameContains("Ｍａｉｌ", "ＭＡＩＬ", false));  // full-width is not folded
    EXPECT_FALSE(NameContains("Mail", "Ｍａｉｌ", false));
    EXPECT_FALSE(NameContains("straße", "STRASSE", false));
    EXPECT_TRUE(NameContains("ÄBC", "ÄbC", false));
    EXPECT_FALSE(NameContains("äbc", "ÄBC", false));
    EXPECT_FALSE(NameContains("a b", "ab", false));
}

TEST(GroupSearch, MailAndMailboxInTurnThenWrapAround) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode mail = AddGroup(root, "Mail");
    XmlNode mailbox = AddGroup(root, "mailbox");

    XmlNode found = FindNext(XmlNode(), root, "MAIL");
    EXPECT_EQ(found, mail);
    found = FindNext(found, root, "MAIL");
    EXPECT_EQ(found, mailbox);
    found = FindNext(found, root, "MAIL");
    EXPECT_EQ(found, mail);

    EXPECT_TRUE(FindNext(XmlNode(), root, "MAIL", true).isNull());
    EXPECT_TRUE(FindNext(mail, root, "ＭＡＩＬ").isNull());
    EXPECT_EQ(FindNext(XmlNode(), root, "oo"), root);  // the root's own name, from the start
    EXPECT_EQ(FindNext(XmlNode(), root, "it's"), XmlNode());
    EXPECT_TRUE(SearchStartGroup(XmlNode(), XmlNode()).isNull());  // no document
    EXPECT_THROW(FindGroupByName(XmlNode(), "x", false), XmlError);
}

TEST(GroupSearch, StartGroupFollowsTheCurrentGroup) {
    // root: G(Gsub*), item, H(Hsub), K*   (* matches "hit")
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode g = AddGroup(root, "G");
    XmlNode gsub = AddGroup(g, "G hit");
    AddItem(root, "item hit", "");
    XmlNode h = AddGroup(root, "H");
    AddGroup(h, "Hsub");
    XmlNode k = AddGroup(root, "K hit");

    // A following sibling group is the start: G's own sub-groups come only with the wrap-around.
    EXPECT_EQ(SearchStartGroup(g, root), h);
    EXPECT_EQ(FindNext(g, root, "hit"), k);
    EXPECT_EQ(FindNext(k, root, "hit"), gsub);  // K is last: start at root, first match below
    // Gsub is last in G: the search starts at G and finds Gsub itself again.
    EXPECT_EQ(FindNext(gsub, root, "hit"), gsub);
    EXPECT_EQ(FindNext(g, root, "Hsub"), h.firstChild());
    // Item names never match, even in the groups walked over.
    EXPECT_TRUE(FindNext(g, root, "item").isNull());
}

TEST(GroupSearch, LastSiblingStartsAtParentWhichMayMatchItself) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode parent = AddGroup(root, "only match");
    XmlNode child = AddGroup(parent, "child");
    EXPECT_EQ(SearchStartGroup(child, root), parent);
    EXPECT_EQ(FindNext(child, root, "match"), parent);
    // The only matching group is found again and again.
    EXPECT_EQ(FindNext(parent, root, "match"), parent);
    EXPECT_EQ(SearchStartGroup(root, root), root);
}

// Imported documents may hold comments, other elements and groups without a name.
TEST(GroupSearch, NonElementNodesEndTheSiblingLook) {
    XmlParseResult r = XmlDocument::parseBytes(
        "<group name=\"root\"><group name=\"A\"/><!-- note --><group name=\"B x\"/>"
        "<other/><group/><group name=\"C x\"/></group>");
    ASSERT_TRUE(r.ok());
    XmlNode root = r.document.documentElement();
    XmlNode a = root.firstChild();
    XmlNode b = a.nextSibling().nextSibling();
    XmlNode unnamed = b.nextSibling().nextSibling();
    XmlNode c = unnamed.nextSibling();
    EXPECT_EQ(SearchStartGroup(a, root), root);     // the comment ends the look
    EXPECT_EQ(SearchStartGroup(b, root), unnamed);  // <other/> is passed over
    EXPECT_EQ(FindGroupByName(unnamed, "x", false), c);
    EXPECT_EQ(FindGroupByName(unnamed, "", false), c);  // no name never matches
}
