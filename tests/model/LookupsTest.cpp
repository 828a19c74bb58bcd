#include <gtest/gtest.h>

#include "Lookups.h"
#include "ModelTestSupport.h"
#include "ScriptedPrompter.h"
#include "XPathForms.h"
#include "XmlError.h"

TEST(XPathForms, ProduceTheDocumentedExpressions) {
    EXPECT_EQ(xpath::BuildGroupPath({"root"}), "/group[@name='root']");
    EXPECT_EQ(xpath::BuildGroupPath({"root", "Bank"}), "/group[@name='root']/group[@name='Bank']");
    EXPECT_EQ(xpath::BuildGroupPath({}), "/group[@name='']");
    EXPECT_EQ(xpath::GroupChildren("/group[@name='root']"), "/group[@name='root']/*");
    EXPECT_EQ(xpath::ItemLookup("X", -1), "child::*[@name='X']");
    EXPECT_EQ(xpath::ItemLookup("X", 0), "item[@name='X']");
    EXPECT_EQ(xpath::ItemLookup("X", 1), "secret[@name='X']");
    EXPECT_EQ(xpath::ItemLookup("X", 2), std::nullopt);
    EXPECT_EQ(xpath::ChildLookup("X"), "./*[@name='X']");
    EXPECT_EQ(xpath::GroupSearch("T", true), ".//group[contains(@name,'T')]");
    EXPECT_EQ(xpath::GroupSearch("T", false),
              ".//group[contains(translate(@name,'abcdefghijklmnopqrstuvwxyz',"
              "'ABCDEFGHIJKLMNOPQRSTUVWXYZ'),translate('T','abcdefghijklmnopqrstuvwxyz',"
              "'ABCDEFGHIJKLMNOPQRSTUVWXYZ'))]");
}

TEST(XPathForms, LiteralsHoldApostrophesAndQuotes) {
    EXPECT_EQ(xpath::Literal("a\"b"), "'a\"b'");
    EXPECT_EQ(xpath::Literal("it's"), "\"it's\"");
    EXPECT_EQ(xpath::Literal("'\"'"), "concat(\"'\",'\"',\"'\")");
    EXPECT_EQ(xpath::Literal("'"), "\"'\"");
    EXPECT_EQ(xpath::Literal("\"'"), "concat('\"',\"'\")");
}

// Every lookup finds what was stored under an awkward name.
TEST(Lookups, AwkwardNamesWorkEverywhere) {
    ScriptedPrompter prompter;
    const QStringList names = {"it's", "say \"hi\"", "both ' and \"", "a]b", "x/y",
                               "100%", "%s",         "日本語の名前",  "",    "  "};
    XmlDocument doc = schema::CreateNewDocument();
    for (const QString& name : names) {
        XmlNode group = AddGroup(doc.documentElement(), name);
        XmlNode sub = AddGroup(group, name);
        XmlNode item = AddItem(sub, name, "v:" + name);
        XmlNode secret = AddItem(sub, name + "!", "s:" + name, true);

        EXPECT_EQ(FindGroupByPath(doc, xpath::BuildGroupPath({"root", name, name}), true), sub);
        EXPECT_EQ(FindItem(sub, name, 0), item);
        EXPECT_EQ(FindItem(sub, name + "!", 1), secret);
        EXPECT_EQ(FindItem(group, name, -1), sub);
        EXPECT_EQ(FindChild(group, name), sub);
        EXPECT_EQ(doc.selectNodes(xpath::GroupChildren(xpath::BuildGroupPath({"root", name, name})))
                      .size(),
                  2);
        if (!name.trimmed().isEmpty()) {
            EXPECT_EQ(doc.documentElement().selectSingleNode(xpath::GroupSearch(name, true)),
                      group);
        }
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Lookups, FirstMatchInDocumentOrderWins) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode first = AddGroup(root, "A");
    XmlNode second = AddGroup(root, "A");
    AddItem(first, "x", "1");
    AddItem(second, "x", "2");
    EXPECT_EQ(FindGroupByPath(doc, xpath::BuildGroupPath({"root", "A"}), false), first);
    EXPECT_EQ(FindChild(root, "A"), first);
    EXPECT_EQ(FindItem(root, "A", -1), first);
    EXPECT_EQ(FindItem(FindGroupByPath(doc, "/group[@name='root']/group[@name='A']", false), "x", 0)
                  .text(),
              "1");
}

TEST(Lookups, ItemKindsAndTheirNotices) {
    ScriptedPrompter prompter;
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode secret = AddItem(root, "pin", "1234", true);
    XmlNode sub = AddGroup(root, "sub");

    EXPECT_TRUE(FindItem(root, "pin", 0).isNull());
    EXPECT_EQ(prompter.texts(), QStringList{"項目が見つかりません"});
    EXPECT_EQ(prompter.messages().front().caption, "通知");
    EXPECT_EQ(FindItem(root, "pin", -1), secret);
    EXPECT_EQ(FindItem(root, "sub", -1), sub);
    EXPECT_TRUE(FindItem(root, "none", -1).isNull());
    EXPECT_TRUE(FindChild(root, "none").isNull());
    EXPECT_EQ(prompter.messages().size(), 1);

    prompter.clearMessages();
    try {
        FindItem(root, "pin", 2);
        FAIL() << "no error";
    } catch (const XmlError& e) {
        EXPECT_EQ(e.code, XmlError::kPointer);
    }
    EXPECT_EQ(prompter.texts(), QStringList{"未知の項目"});
    EXPECT_THROW(FindItem(XmlNode(), "pin", 0), XmlError);
    EXPECT_THROW(FindChild(XmlNode(), "pin"), XmlError);
}

TEST(Lookups, GroupNotFoundWithAndWithoutReport) {
    ScriptedPrompter prompter;
    const QString path = xpath::BuildGroupPath({"root"});
    EXPECT_TRUE(FindGroupByPath(XmlDocument(), path, false).isNull());
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_TRUE(FindGroupByPath(XmlDocument(), path, true).isNull());
    EXPECT_TRUE(
        FindGroupByPath(schema::CreateNewDocument(), xpath::BuildGroupPath({}), true).isNull());
    EXPECT_EQ(prompter.texts(),
              (QStringList{"グループが見つかりません", "グループが見つかりません"}));

    // A document element that is not a group is never found.
    XmlParseResult other =
        XmlDocument::parseBytes("<root name=\"root\"><group name=\"a\"/></root>");
    ASSERT_TRUE(other.ok());
    EXPECT_TRUE(FindGroupByPath(other.document, path, false).isNull());
}
