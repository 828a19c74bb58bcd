#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "diag/XmlError.h"
#include "model/GroupSearch.h"
#include "model/ModelTestSupport.h"

namespace {

// One press of Find / F3 with `current` as the current group.
XmlNode FindNext(const XmlNode& current, const XmlNode& root, const QString& text,
                 bool caseSensitive = false) {
    return FindNextMatchingGroup(current, root, text, caseSensitive);
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
    EXPECT_TRUE(FindNext(XmlNode(), XmlNode(), "MAIL").isNull());  // no document
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

    // The following sibling group comes next: G's own sub-groups come only with the wrap-around.
    EXPECT_EQ(FindNext(g, root, "hit"), k);
    EXPECT_EQ(FindNext(k, root, "hit"), gsub);  // K is last: wrap around, first match below root
    // Gsub is last in G: the search goes on after G instead of finding Gsub itself again.
    EXPECT_EQ(FindNext(gsub, root, "hit"), k);
    EXPECT_EQ(FindNext(g, root, "Hsub"), h.firstChild());
    // Item names never match, even in the groups walked over.
    EXPECT_TRUE(FindNext(g, root, "item").isNull());
}

TEST(GroupSearch, TheOnlyMatchIsFoundAgainAndAgain) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode parent = AddGroup(root, "only match");
    XmlNode child = AddGroup(parent, "child");
    EXPECT_EQ(FindNext(child, root, "match"), parent);
    EXPECT_EQ(FindNext(parent, root, "match"), parent);
    EXPECT_EQ(FindNext(root, root, "match"), parent);
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
    // The comment ends A's sibling look: the search wraps around to the first match, B.
    EXPECT_EQ(FindNext(a, root, "x"), b);
    // <other/> is passed over: after B comes the nameless group, then C.
    EXPECT_EQ(FindNext(b, root, "x"), c);
    EXPECT_EQ(FindGroupByName(unnamed, "x", false), c);
    EXPECT_EQ(FindGroupByName(unnamed, "", false), c);  // no name never matches
}

namespace {

// Every match in turn, from `first`, until the walk comes back to a group it returned before.
std::vector<QString> Cycle(const XmlNode& first, const QString& text, bool caseSensitive = false) {
    std::vector<QString> names;
    std::vector<XmlNode> seen;
    for (XmlNode at = first; !at.isNull() && seen.size() < 20;
         at = FindGroupAfter(at, text, caseSensitive)) {
        names.push_back(schema::NameOf(at));
        if (std::find(seen.begin(), seen.end(), at) != seen.end()) break;
        seen.push_back(at);
    }
    return names;
}

}  // namespace

TEST(GroupSearchAfter, LastSiblingGoesOnToTheMatchesAfterIt) {
    // root{A{x1}, x2}: from x1, a start at A would find x1 again on every press.
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode a = AddGroup(root, "A");
    XmlNode x1 = AddGroup(a, "x1");
    XmlNode x2 = AddGroup(root, "x2");
    EXPECT_EQ(FindNext(x1, root, "x"), x2);  // F3 goes on instead of staying stuck at x1
    EXPECT_EQ(FindGroupAfter(x1, "x", false), x2);
    EXPECT_EQ(FindGroupAfter(x2, "x", false), x1);  // wrap-around
    EXPECT_EQ(Cycle(x1, "X"), (std::vector<QString>{"x1", "x2", "x1"}));
    EXPECT_THROW(FindGroupAfter(XmlNode(), "x", false), XmlError);
}

TEST(GroupSearchAfter, KeepsTheWalkOrderAndTheWrapAround) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode mail = AddGroup(root, "Mail");
    AddGroup(root, "mailbox");
    EXPECT_EQ(Cycle(mail, "MAIL"), (std::vector<QString>{"Mail", "mailbox", "Mail"}));
    EXPECT_TRUE(FindGroupAfter(mail, "MAIL", true).isNull());

    // root: G(Gsub*), item, H(Hsub), K*: G's sub-groups come only with the wrap-around, and
    // from Gsub (last in G) the walk goes on at H rather than at G again.
    XmlNode g = AddGroup(root, "G");
    XmlNode gsub = AddGroup(g, "G hit");
    AddItem(root, "item hit", "");
    XmlNode h = AddGroup(root, "H");
    XmlNode hsub = AddGroup(h, "Hsub hit");
    AddGroup(root, "K hit");
    EXPECT_EQ(Cycle(g, "hit"),
              (std::vector<QString>{"G", "Hsub hit", "K hit", "G hit", "Hsub hit"}));
    EXPECT_EQ(FindGroupAfter(gsub, "hit", false), hsub);
    EXPECT_TRUE(FindGroupAfter(g, "item", false).isNull());  // items never match
}

TEST(GroupSearchAfter, RootGroupAsCurrentAndAsTheOnlyMatch) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    // The root group alone matches: it is found again, from itself and from below it.
    XmlNode a = AddGroup(root, "A");
    EXPECT_EQ(FindGroupAfter(root, "oo", false), root);
    EXPECT_EQ(FindGroupAfter(a, "oo", false), root);
    // With a match below it, the root group is passed on from.
    XmlNode foo = AddGroup(a, "foo");
    EXPECT_EQ(FindGroupAfter(root, "o", false), foo);
    EXPECT_EQ(FindGroupAfter(foo, "o", false), foo);  // the only match below the root
    EXPECT_TRUE(FindGroupAfter(foo, "zz", false).isNull());
}

TEST(GroupSearchAfter, TextsWithQuotesAndPercentSigns) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode first = AddGroup(root, "first");
    XmlNode quoted = AddGroup(AddGroup(root, "x"), "it's \"100%\"");
    EXPECT_EQ(FindGroupAfter(first, "'S \"1", false), quoted);
    EXPECT_EQ(FindGroupAfter(quoted, "0%\"", true), quoted);
    EXPECT_TRUE(FindGroupAfter(first, "%s", false).isNull());
}

TEST(GroupSearchAfter, NonElementNodesEndTheSiblingLook) {
    XmlParseResult r = XmlDocument::parseBytes(
        "<group name=\"root\"><group name=\"A x\"><group name=\"A1\"/><!-- c --><group "
        "name=\"A2 x\"/></group><other/><group name=\"B x\"/></group>");
    ASSERT_TRUE(r.ok());
    XmlNode root = r.document.documentElement();
    XmlNode a = root.firstChild();
    XmlNode a1 = a.firstChild();
    XmlNode b = a.nextSibling().nextSibling();
    // After A1 the comment ends the look: on at A's following siblings (<other/> passed over).
    EXPECT_EQ(FindGroupAfter(a1, "x", false), b);
    EXPECT_EQ(FindGroupAfter(b, "x", false), a);
}
