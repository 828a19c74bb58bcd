#include <gtest/gtest.h>

#include "model/DocumentMerge.h"
#include "model/ModelTestSupport.h"

namespace {

XmlDocument Parse(const QString& xml) {
    XmlParseResult parsed = XmlDocument::parseDataText(xml);
    EXPECT_TRUE(parsed.ok()) << xml.toStdString() << ": " << parsed.errorMessage.toStdString();
    return parsed.document;
}

// The document as one line of XML, for comparing results with what a case expects.
QString Text(const XmlDocument& doc) {
    return QString::fromUtf8(doc.serialize(QStringLiteral("UTF-8")))
        .section(u'\n', 1)
        .remove(QLatin1String("\n"))
        .remove(QLatin1String("  "));
}

QString Conflicts(const MergeResult& result) {
    QStringList lines;
    for (const MergeConflict& c : result.conflicts) lines << c.groupPath() + u'|' + c.name;
    return lines.join(u';');
}

struct MergeCase {
    const char* what;
    const char* base;  // nullptr: two-way
    const char* ours;
    const char* theirs;
    const char* merged;
    const char* conflicts;
};

}  // namespace

TEST(DocumentMerge, FollowsTheMergeRules) {
    const MergeCase cases[] = {
        {"changes on both sides to different items are both kept",
         R"(<group name="root"><item name="a">1</item><item name="b">1</item></group>)",
         R"(<group name="root"><item name="a">2</item><item name="b">1</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="b">3</item></group>)",
         R"(<group name="root"><item name="a">2</item><item name="b">3</item></group>)", ""},
        {"the same item changed differently: ours, then theirs under the conflict name",
         R"(<group name="root"><group name="G"><item name="a">1</item><item name="z">0</item></group></group>)",
         R"(<group name="root"><group name="G"><item name="a">2</item><item name="z">0</item></group></group>)",
         R"(<group name="root"><group name="G"><item name="a">3</item><item name="z">0</item></group></group>)",
         R"(<group name="root"><group name="G"><item name="a">2</item><item name="a（競合）">3</item><item name="z">0</item></group></group>)",
         "/G|a"},
        {"a taken conflict name is numbered until it is free",
         R"(<group name="root"><item name="a">1</item><item name="a（競合）">x</item></group>)",
         R"(<group name="root"><item name="a">2</item><item name="a（競合）">x</item></group>)",
         R"(<group name="root"><item name="a">3</item><item name="a（競合）">x</item></group>)",
         R"(<group name="root"><item name="a">2</item><item name="a（競合2）">3</item><item name="a（競合）">x</item></group>)",
         "/|a"},
        {"conflicts of one name are numbered; a conflict name is not extended", nullptr,
         R"(<group name="root"><item name="a">1</item><item name="a">2</item><item name="a（競合）">3</item><item name="a（競合3）">4</item></group>)",
         R"(<group name="root"><item name="a">5</item><item name="a">6</item><item name="a（競合）">7</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a（競合2）">5</item><item name="a">2</item><item name="a（競合4）">6</item><item name="a（競合）">3</item><item name="a（競合5）">7</item><item name="a（競合3）">4</item></group>)",
         "/|a;/|a;/|a（競合）"},
        {"merged again: what the group holds up to conflict suffixes is not added again", nullptr,
         R"(<group name="root"><item name="a">1</item><item name="a（競合）">2</item><x n="1"/><x n="2"/><item name="b">1</item><item name="b（競合）">9</item></group>)",
         R"(<group name="root"><item name="a">2</item><x n="2"/><item name="b">2</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a（競合）">2</item><x n="1"/><x n="2"/><item name="b">1</item><item name="b（競合2）">2</item><item name="b（競合）">9</item></group>)",
         "/|b"},
        {"one value twice from theirs is added once", nullptr,
         R"(<group name="root"><item name="a">1</item><item name="a">2</item></group>)",
         R"(<group name="root"><item name="a">3</item><item name="a">3</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a（競合）">3</item><item name="a">2</item></group>)",
         "/|a"},
        {"deleted on one side and unchanged on the other: gone; changed on the other: stays",
         R"(<group name="root"><item name="a">1</item><group name="G"><item name="b">1</item></group><item name="c">1</item></group>)",
         R"(<group name="root"><group name="G"><item name="b">2</item></group><item name="c">1</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="c">1</item></group>)",
         R"(<group name="root"><group name="G"><item name="b">2</item></group><item name="c">1</item></group>)",
         ""},
        {"secret on one side: secret in the result, with the other side's new value",
         R"(<group name="root"><item name="a">1</item><item name="b">1</item></group>)",
         R"(<group name="root"><item name="a">2</item><item name="b">1</item></group>)",
         R"(<group name="root"><secret name="a">1</secret><secret name="b">5</secret></group>)",
         R"(<group name="root"><secret name="a">2</secret><secret name="b">5</secret></group>)",
         ""},
        {"a conflict between a plain and a secret item keeps both secret",
         R"(<group name="root"><secret name="a">1</secret></group>)",
         R"(<group name="root"><item name="a">2</item></group>)",
         R"(<group name="root"><secret name="a">3</secret></group>)",
         R"(<group name="root"><secret name="a">2</secret><secret name="a（競合）">3</secret></group>)",
         "/|a"},
        {"made plain on one side and untouched on the other: plain",
         R"(<group name="root"><secret name="a">1</secret><item name="b">1</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="b">1</item></group>)",
         R"(<group name="root"><secret name="a">1</secret><item name="b">2</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="b">2</item></group>)", ""},
        {"theirs' additions follow the match of their preceding sibling, in ours' order",
         R"(<group name="root"><item name="a"/><item name="b"/><item name="c"/></group>)",
         R"(<group name="root"><item name="c"/><item name="a"/><item name="b"/><item name="o"/></group>)",
         R"(<group name="root"><item name="t0"/><item name="a"/><item name="t1"/><item name="t2"/><item name="b"/><item name="c"/></group>)",
         R"(<group name="root"><item name="t0"/><item name="c"/><item name="a"/><item name="t1"/><item name="t2"/><item name="b"/><item name="o"/></group>)",
         ""},
        {"theirs reordered and ours did not: theirs' order, ours' additions after their sibling",
         R"(<group name="root"><item name="a"/><item name="b"/><item name="c"/></group>)",
         R"(<group name="root"><item name="a"/><item name="o"/><item name="b">1</item><item name="c"/></group>)",
         R"(<group name="root"><item name="c"/><item name="b"/><item name="a"/></group>)",
         R"(<group name="root"><item name="c"/><item name="b">1</item><item name="a"/><item name="o"/></group>)",
         ""},
        {"same-named siblings are matched in order",
         R"(<group name="root"><item name="a">1</item><item name="a">2</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a">9</item></group>)",
         R"(<group name="root"><item name="a">1</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a">9</item></group>)", ""},
        {"a group added on both sides is merged; theirs' first child goes first",
         R"(<group name="root"/>)",
         R"(<group name="root"><group name="N"><item name="a">1</item></group></group>)",
         R"(<group name="root"><group name="N"><item name="b">1</item></group></group>)",
         R"(<group name="root"><group name="N"><item name="b">1</item><item name="a">1</item></group></group>)",
         ""},
        {"other nodes are merged whole: a conflict keeps ours and theirs right after it",
         R"(<group name="root"><x name="k">1</x><!--c--></group>)",
         R"(<group name="root"><x name="k">2</x><!--c--><?pi o?></group>)",
         R"(<group name="root"><x name="k">3</x></group>)",
         R"(<group name="root"><x name="k">2</x><x name="k">3</x><?pi o?></group>)", "/|x"},
        {"a group's other attributes changed on both sides: ours, listed at its parent",
         R"(<group name="root"><group name="G" c="0"><item name="a">1</item></group></group>)",
         R"(<group name="root"><group name="G" c="1"><item name="a">1</item></group></group>)",
         R"(<group name="root"><group name="G" c="2"><item name="a">2</item></group></group>)",
         R"(<group name="root"><group name="G" c="1"><item name="a">2</item></group></group>)",
         "/|G"},
        {"two-way: nothing is deleted and differing values are conflicts", nullptr,
         R"(<group name="root"><item name="a">1</item><group name="G"><item name="b">1</item></group></group>)",
         R"(<group name="root"><group name="G"><item name="b">2</item><item name="c">1</item></group><item name="d">1</item></group>)",
         R"(<group name="root"><item name="a">1</item><group name="G"><item name="b">1</item><item name="b（競合）">2</item><item name="c">1</item></group><item name="d">1</item></group>)",
         "/G|b"},
    };
    for (const MergeCase& c : cases) {
        SCOPED_TRACE(c.what);
        const XmlDocument base = c.base ? Parse(QString::fromUtf8(c.base)) : XmlDocument();
        const XmlDocument ours = Parse(QString::fromUtf8(c.ours));
        const XmlDocument theirs = Parse(QString::fromUtf8(c.theirs));
        const MergeResult result = MergeDocuments(base, ours, theirs);
        EXPECT_EQ(Text(result.document), Text(Parse(QString::fromUtf8(c.merged))));
        EXPECT_EQ(Conflicts(result), QString::fromUtf8(c.conflicts));
        EXPECT_EQ(Text(ours), Text(Parse(QString::fromUtf8(c.ours))));  // inputs untouched
    }
}

// A chain of groups 50,000 deep, changed at its bottom on both sides, and namespaced elements
// whose copies must not gain declarations of their own.
TEST(DocumentMerge, HandlesDeepDocumentsAndNamespaces) {
    constexpr int kDepth = 50000;
    QString xml;
    for (int i = 0; i < kDepth; ++i) xml += QStringLiteral("<group name=\"g\">");
    xml += QStringLiteral("<item name=\"a\">1</item>");
    for (int i = 0; i < kDepth; ++i) xml += QStringLiteral("</group>");
    const XmlDocument base = Parse(xml);
    const XmlDocument ours =
        Parse(QString(xml).replace(QStringLiteral(">1<"), QStringLiteral(">2<")));
    const XmlDocument theirs =
        Parse(QString(xml).replace(QStringLiteral(">1<"), QStringLiteral(">3<")));
    const MergeResult result = MergeDocuments(base, ours, theirs);
    EXPECT_EQ(result.document.depth(), kDepth + 1);
    ASSERT_EQ(result.conflicts.size(), 1);
    EXPECT_EQ(result.conflicts.front().groupNames().size(), kDepth - 1);
    const QString merged = QString::fromUtf8(result.document.serialize(QStringLiteral("UTF-8")));
    EXPECT_TRUE(merged.contains(u"<item name=\"a\">2</item>"));
    EXPECT_TRUE(merged.contains(u"<item name=\"a（競合）\">3</item>"));

    const QString spaced = QStringLiteral(
        R"(<group name="root" xmlns:n="urn:n"><n:x name="k"><n:y n:a="1">%1</n:y></n:x>)"
        R"(<group name="G"><n:z/>%1</group></group>)");
    const MergeResult namespaced =
        MergeDocuments(Parse(spaced.arg(0)), Parse(spaced.arg(1)), Parse(spaced.arg(2)));
    EXPECT_EQ(Text(namespaced.document),
              Text(Parse(QStringLiteral(
                  R"(<group name="root" xmlns:n="urn:n"><n:x name="k"><n:y n:a="1">1</n:y></n:x>)"
                  R"(<n:x name="k"><n:y n:a="1">2</n:y></n:x><group name="G"><n:z/>21</group>)"
                  R"(</group>)"))));
}

namespace {

// One line per difference, as zetrova-cli diff writes them (paths without escapes).
QString Differences(const std::vector<DocumentDifference>& differences) {
    QStringList lines;
    for (const DocumentDifference& d : differences) {
        const QChar mark = u"+-~"[int(d.change)];  // added, removed, changed
        lines << mark + QStringLiteral(" /") + (d.groupNames() << d.name()).join(u'/') +
                     (d.group ? QStringLiteral("/") : QString()) +
                     (d.secret ? QStringLiteral("*") : QString());
    }
    return lines.join(u';');
}

}  // namespace

// The comparison aligns as the merge does: the k-th of a name with the k-th, items and secrets
// alike, groups compared child by child, a group only one side holds as one difference.
TEST(DocumentCompare, MatchesHandMadeExpectations) {
    struct Case {
        const char* what;
        const char* then;
        const char* now;
        const char* differences;
        DifferenceCounts counts;
    };
    const std::vector<Case> cases = {
        {"value, kind, added and removed items",
         R"(<group name="root"><item name="a">1</item><item name="b">2</item><item name="c">3</item></group>)",
         R"(<group name="root"><item name="a">9</item><secret name="b">2</secret><item name="d">4</item></group>)",
         "~ /a;~ /b*;- /c;+ /d",
         {1, 1, 2}},
        {"a removed group is one difference, counted with what it held",
         R"(<group name="root"><group name="g"><item name="x">1</item><group name="h"/></group><item name="k">1</item></group>)",
         R"(<group name="root"><item name="k">1</item></group>)",
         "- /g/",
         {0, 3, 0}},
        {"duplicates align by occurrence; a group and an item of one name are different things",
         R"(<group name="root"><group name="a"/><item name="a">1</item><item name="a">2</item></group>)",
         R"(<group name="root"><item name="a">1</item><item name="a">3</item></group>)",
         "- /a/;~ /a",
         {0, 1, 1}},
        {"changes deep down, in document order",
         R"(<group name="root"><group name="g"><group name="h"><secret name="s">1</secret></group><item name="y">1</item></group><item name="z">1</item></group>)",
         R"(<group name="root"><group name="g"><group name="h"><secret name="s">2</secret></group></group><item name="z">2</item></group>)",
         "~ /z;- /g/y;~ /g/h/s*",
         {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto differences =
            CompareDocuments(Parse(QString::fromUtf8(c.then)), Parse(QString::fromUtf8(c.now)));
        EXPECT_EQ(Differences(differences), QString::fromUtf8(c.differences));
        EXPECT_EQ(CountDifferences(differences), c.counts);
    }
}

// A group deleted on one machine and merged away on the other comes back from the version kept
// before the merge, where it stood, with what was added since left alone.
TEST(DocumentCompare, RestoresWhatAMergeRemoved) {
    const XmlDocument base = Parse(QStringLiteral(
        R"(<group name="root"><group name="銀行"><secret name="暗証">1234</secret><group name="ネット"><item name="id">me</item></group></group><group name="メール"/></group>)"));
    const XmlDocument theirs = Parse(QStringLiteral(
        R"(<group name="root"><group name="メール"><item name="new">x</item></group></group>)"));
    const MergeResult merged = MergeDocuments(base, base, theirs);
    ASSERT_EQ(Differences(CompareDocuments(base, merged.document)), "- /銀行/;+ /メール/new");

    struct Case {
        const char* what;
        std::vector<std::vector<VersionStep>> chosen;
        const char* restored;
    };
    const VersionStep bank{true, QStringLiteral("銀行"), 0};
    const std::vector<Case> cases = {
        {"the whole group, before the group that stayed",
         {{bank}},
         R"(<group name="root"><group name="銀行"><secret name="暗証">1234</secret><group name="ネット"><item name="id">me</item></group></group><group name="メール"><item name="new">x</item></group></group>)"},
        {"one item deep inside, its groups made again",
         {{bank, {true, QStringLiteral("ネット"), 0}, {false, QStringLiteral("id"), 0}}},
         R"(<group name="root"><group name="銀行"><group name="ネット"><item name="id">me</item></group></group><group name="メール"><item name="new">x</item></group></group>)"},
        {"what the version does not hold goes",
         {{{true, QStringLiteral("メール"), 0}, {false, QStringLiteral("new"), 0}}},
         R"(<group name="root"><group name="メール"/></group>)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const XmlDocument restored = RestoreFromVersion(merged.document, base, c.chosen);
        EXPECT_EQ(Text(restored), Text(Parse(QString::fromUtf8(c.restored))));
    }
    // A change at the bottom of a chain of groups 20,000 deep: found and taken back.
    const XmlDocument deep = Parse(NestedGroups(20000));
    const XmlDocument changed =
        Parse(NestedGroups(20000).remove(QStringLiteral("<item name=\"x\">v</item>")));
    const auto deepDifferences = CompareDocuments(deep, changed);
    ASSERT_EQ(deepDifferences.size(), 1u);
    EXPECT_EQ(deepDifferences[0].steps.size(), 20001u);
    EXPECT_TRUE(RestoreFromVersion(changed, deep, {deepDifferences[0].steps}).sameContent(deep));
    // A changed item takes the version's value; a group overlaid keeps what was added to it, and
    // what comes back goes right after what stood before it in the version.
    const XmlDocument now = Parse(QStringLiteral(
        R"(<group name="root"><group name="銀行"><secret name="暗証">9999</secret><item name="added">a</item></group></group>)"));
    EXPECT_EQ(
        Text(RestoreFromVersion(now, base, {{bank}})),
        Text(Parse(QStringLiteral(
            R"(<group name="root"><group name="銀行"><secret name="暗証">1234</secret><group name="ネット"><item name="id">me</item></group><item name="added">a</item></group></group>)"))));
}
