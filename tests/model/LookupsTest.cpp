#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "diag/XmlError.h"
#include "model/Lookups.h"
#include "model/ModelTestSupport.h"
#include "model/XPathForms.h"
#include "support/ScriptedPrompter.h"

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
        EXPECT_EQ(FindItem(sub, name, schema::kPlainItem), item);
        EXPECT_EQ(FindItem(sub, name + "!", schema::kSecretItem), secret);
        EXPECT_EQ(FindItem(group, name, schema::kAnyKind), sub);
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
    EXPECT_EQ(FindItem(root, "A", schema::kAnyKind), first);
    EXPECT_EQ(FindItem(FindGroupByPath(doc, "/group[@name='root']/group[@name='A']", false), "x",
                       schema::kPlainItem)
                  .text(),
              "1");
}

TEST(Lookups, ItemKindsAndTheirNotices) {
    ScriptedPrompter prompter;
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode root = doc.documentElement();
    XmlNode secret = AddItem(root, "pin", "1234", true);
    XmlNode sub = AddGroup(root, "sub");

    EXPECT_TRUE(FindItem(root, "pin", schema::kPlainItem).isNull());
    EXPECT_EQ(prompter.texts(), QStringList{"項目が見つかりません"});
    EXPECT_EQ(prompter.messages().front().caption, "通知");
    EXPECT_EQ(FindItem(root, "pin", schema::kAnyKind), secret);
    EXPECT_EQ(FindItem(root, "sub", schema::kAnyKind), sub);
    EXPECT_TRUE(FindItem(root, "none", schema::kAnyKind).isNull());
    EXPECT_TRUE(FindChild(root, "none").isNull());
    EXPECT_EQ(prompter.messages().size(), 1);

    prompter.clearMessages();
    try {
        FindItem(root, "pin", schema::ItemKind(2));
        FAIL() << "no error";
    } catch (const XmlError& e) {
        EXPECT_EQ(e.code, XmlError::kPointer);
    }
    EXPECT_EQ(prompter.texts(), QStringList{"未知の項目"});
    EXPECT_THROW(FindItem(XmlNode(), "pin", schema::kPlainItem), XmlError);
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

// The walk that resolves a group path gives what the XPath gives, on random documents full of
// repeated names, where the first match on each level often leads nowhere, and of elements that
// look like groups but are not (namespaced, prefixed, nameless, a namespaced name).
TEST(Lookups, GroupPathWalkEqualsTheXPath) {
    std::mt19937 random(20240611);
    const QStringList names = {"a", "a", "a", "b", "", "it's", "é"};
    auto pick = [&](const QStringList& from) {
        return from[std::uniform_int_distribution<qsizetype>(0, from.size() - 1)(random)];
    };
    // An element of a kind chosen at random with the name %1, and the tag that closes it.
    struct Kind {
        const char* open;
        const char* close;
    };
    const QList<Kind> kinds = {
        {"<group name=\"%1\">", "</group>"},
        {"<group name=\"%1\">", "</group>"},
        {"<group name=\"%1\">", "</group>"},
        {"<group xmlns=\"urn:x\" name=\"%1\">", "</group>"},
        {"<p:group xmlns:p=\"urn:p\" name=\"%1\">", "</p:group>"},
        {"<group xmlns:p=\"urn:p\" p:name=\"%1\">", "</group>"},
        {"<group>", "</group>"},
        {"<item name=\"%1\">", "</item>"},
    };
    std::function<QString(int)> element = [&](int depth) {
        // The document element is a group, so that chains can start.
        const Kind& kind = kinds[depth == 0 ? 0
                                            : std::uniform_int_distribution<qsizetype>(
                                                  0, kinds.size() - 1)(random)];
        QString text = QString::fromUtf8(kind.open).replace(QStringLiteral("%1"), pick(names));
        const int count = depth < 4 ? std::uniform_int_distribution<int>(0, 4)(random) : 0;
        for (int i = 0; i < count; ++i) text += element(depth + 1);
        return text + QString::fromUtf8(kind.close);
    };
    // Following the first match on every level, as a tree walk would.
    auto greedy = [](const XmlDocument& doc, const QStringList& labels) {
        XmlNode at = doc.node();
        for (const QString& label : labels.isEmpty() ? QStringList{QString()} : labels) {
            XmlNode c = at.firstChild();
            while (!c.isNull() && !(schema::IsGroup(c) && c.attribute(schema::kName) == label))
                c = c.nextSibling();
            if (c.isNull()) return XmlNode();
            at = c;
        }
        return at;
    };
    int found = 0;
    int backtracked = 0;
    for (int round = 0; round < 300; ++round) {
        XmlParseResult parsed = XmlDocument::parseBytes(element(0).toUtf8());
        ASSERT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
        QList<XmlNode> elements;
        for (XmlNode n = parsed.document.documentElement(); !n.isNull();) {
            elements << n;
            XmlNode next = n.firstChild();
            while (next.isNull() && !n.isNull()) {
                next = n.nextSibling();
                n = n.parentElement();
            }
            n = next;
        }
        for (int chain = 0; chain < 30; ++chain) {
            // Half the chains are the names above an element, half are names at random.
            QStringList labels;
            if (chain % 2) {
                const XmlNode& at = elements[std::uniform_int_distribution<qsizetype>(
                    0, elements.size() - 1)(random)];
                for (XmlNode n = at; !n.isNull(); n = n.parentElement())
                    labels.prepend(schema::NameOf(n));
            } else {
                const int length = std::uniform_int_distribution<int>(0, 5)(random);
                for (int i = 0; i < length; ++i) labels << pick(names);
            }
            const XmlNode byXPath =
                FindGroupByPath(parsed.document, xpath::BuildGroupPath(labels), false);
            EXPECT_EQ(FindGroupByLabels(parsed.document, labels, false), byXPath)
                << labels.join(u'/').toStdString();
            found += byXPath.isNull() ? 0 : 1;
            backtracked += greedy(parsed.document, labels) == byXPath ? 0 : 1;
        }
    }
    // The chains do reach groups, and often only past a first match that leads nowhere.
    EXPECT_GT(found, 1000);
    EXPECT_GT(backtracked, 20);
}
