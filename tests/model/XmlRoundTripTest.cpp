#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <QElapsedTimer>

#include "diag/XmlError.h"
#include "model/ModelTestSupport.h"
#include "model/XmlInternal.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Values and names that must come back exactly from a saved file.
const QStringList kAwkwardTexts = {
    QString(),
    QStringLiteral("   "),
    QStringLiteral("\t"),
    QStringLiteral("\n\n"),
    QStringLiteral("  leading and trailing  "),
    QStringLiteral("a\r\nb\rc\nd"),
    QStringLiteral("<&>]]>\"'"),
    QStringLiteral("tab\there"),
    QStringLiteral("日本語のパスワード①～"),
    QStringLiteral("emoji 😀 and 〜 and −"),
    QStringLiteral("\uFEFF starts with a byte-order mark character"),
};

XmlDocument AwkwardDocument() {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode group = AddGroup(doc.documentElement(), QStringLiteral("g"));
    for (const QString& text : kAwkwardTexts) {
        AddItem(group, text, text);
        AddGroup(group, text);
    }
    return doc;
}

void ExpectAwkwardContent(const XmlDocument& doc) {
    XmlNode node = doc.documentElement().firstChild().firstChild();
    for (const QString& text : kAwkwardTexts) {
        ASSERT_FALSE(node.isNull());
        EXPECT_EQ(node.name(), "item");
        EXPECT_EQ(schema::NameOf(node), text);
        EXPECT_EQ(node.text(), text);
        node = node.nextSibling();  // indentation is gone: siblings are adjacent
        ASSERT_TRUE(schema::IsGroup(node));
        EXPECT_EQ(schema::NameOf(node), text);
        node = node.nextSibling();
    }
    EXPECT_TRUE(node.isNull());
}

}  // namespace

TEST(XmlRoundTrip, DataFileLayoutIsIndentedUtf16WithoutBom) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode bank = AddGroup(doc.documentElement(), "Bank");
    AddItem(bank, "account", "12 34");
    AddItem(bank, "code", "x", true);
    AddGroup(bank, "empty");
    const QByteArray bytes = doc.serialize("utf-16");
    ASSERT_GE(bytes.size(), 2);
    EXPECT_NE(bytes.left(2), QByteArray("\xFF\xFE", 2));
    EXPECT_EQ(FromUtf16Le(bytes),
              "<?xml version=\"1.0\" encoding=\"utf-16\"?>\n"
              "<group name=\"root\">\n"
              "  <group name=\"Bank\">\n"
              "    <item name=\"account\">12 34</item>\n"
              "    <secret name=\"code\">x</secret>\n"
              "    <group name=\"empty\"/>\n"
              "  </group>\n"
              "</group>\n");
    EXPECT_EQ(doc.serialize("utf-16"), bytes);
    EXPECT_EQ(ReloadDataText(doc).serialize("utf-16"), bytes);
    EXPECT_TRUE(
        doc.serialize("Shift_JIS")
            .startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<group name=\"root\">\n"));
    EXPECT_THROW(doc.serialize("no-such-encoding"), XmlError);

    // An element holding only comments or processing instructions is written as it stands:
    // indentation inside it would come back as its text, an item's value.
    XmlParseResult marked = XmlDocument::parseDataText(
        "<group name=\"root\"><item name=\"c\"><!--note--><?pi?></item></group>");
    ASSERT_TRUE(marked.ok());
    const XmlDocument reloaded = ReloadDataText(marked.document);
    EXPECT_EQ(FromUtf16Le(reloaded.serialize("utf-16")),
              "<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<group name=\"root\">\n"
              "  <item name=\"c\"><!--note--><?pi?></item>\n</group>\n");
    EXPECT_EQ(reloaded.documentElement().firstChild().text(), QString());

    // Namespace names are written so that they read back: libxml2 would write "<" raw (an
    // unreadable data file) and blanks raw (read back as spaces).
    XmlParseResult spaced = XmlDocument::parseDataText(
        "<group name=\"root\"><group xmlns=\"a&#13;b&lt;c&#9;d&#10;&amp;&quot;'\" name=\"n\"/>"
        "<x:item xmlns:x=\"&lt;\" name=\"i\"/></group>");
    ASSERT_TRUE(spaced.ok());
    const QByteArray once = spaced.document.serialize("utf-16");
    const XmlDocument again = ReloadDataText(spaced.document);
    EXPECT_EQ(again.serialize("utf-16"), once);
    EXPECT_TRUE(again.sameContent(spaced.document));
}

TEST(XmlRoundTrip, AwkwardTextsSurviveDataFileAndExport) {
    XmlDocument doc = AwkwardDocument();
    ExpectAwkwardContent(doc);
    ExpectAwkwardContent(ReloadDataText(doc));
    XmlParseResult exported = XmlDocument::parseBytes(doc.serialize("Shift_JIS"));
    ASSERT_TRUE(exported.ok()) << exported.errorMessage.toStdString();
    ExpectAwkwardContent(exported.document);
}

TEST(XmlRoundTrip, ExportWritesCodePage932AndReferencesTheRest) {
    XmlDocument doc = schema::CreateNewDocument();
    AddItem(doc.documentElement(), QStringLiteral("①"), QStringLiteral("～😀〜−ｱ"));
    const QByteArray bytes = doc.serialize("Shift_JIS");
    EXPECT_TRUE(bytes.contains("name=\"\x87\x40\""));  // ① in code page 932
    // ～ and half-width ｱ as bytes; the emoji, WAVE DASH and MINUS SIGN have no exact code page
    // 932 form (iconv would turn the last two into other characters) and become references.
    EXPECT_TRUE(bytes.contains("\x81\x60&#128512;&#12316;&#8722;\xB1<")) << bytes.toStdString();
}

TEST(XmlRoundTrip, ImportReadsCodePage932InLongRuns) {
    // Half-width katakana triple in size when converted; long runs cross libxml2's buffers.
    const QByteArray value(200000, '\xB1');
    const QByteArray file =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<group name=\"\x87\x40\x81\x60\">" +
        value + "</group>";
    XmlParseResult r = XmlDocument::parseBytes(file);
    ASSERT_TRUE(r.ok()) << r.errorMessage.toStdString();
    EXPECT_EQ(schema::NameOf(r.document.documentElement()), QStringLiteral("①～"));
    EXPECT_EQ(r.document.documentElement().text(), QString(200000, QChar(0xFF71)));
}

// A data file written on Windows: CRLF line ends, tab indentation, standalone="no" and the
// label "UTF-16", read from text that is already Unicode.
TEST(XmlRoundTrip, ReadsWindowsDataText) {
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-16\" standalone=\"no\"?>\r\n"
        "<group name=\"root\">\r\n"
        "\t<group name=\"Bank\">\r\n"
        "\t\t<item name=\"blank\">  </item>\r\n"
        "\t\t<secret name=\"pin\">1234</secret>\r\n"
        "\t</group>\r\n"
        "</group>\r\n");
    for (const XmlParseResult& r : {XmlDocument::parseDataText(text),
                                    XmlDocument::parseBytes("\xFF\xFE" + ToUtf16Le(text))}) {
        ASSERT_TRUE(r.ok()) << r.errorMessage.toStdString();
        XmlNode bank = r.document.documentElement().firstChild();
        EXPECT_EQ(schema::NameOf(bank), "Bank");
        EXPECT_EQ(bank.firstChild().text(), "  ");
        EXPECT_EQ(bank.firstChild().nextSibling().text(), "1234");
        EXPECT_TRUE(bank.nextSibling().isNull());
        // Written again with the declaration of this program.
        EXPECT_TRUE(FromUtf16Le(r.document.serialize("utf-16"))
                        .startsWith("<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<group"));
    }
    // The data text is Unicode whatever its declaration says, and ends at the first zero.
    XmlParseResult r = XmlDocument::parseDataText(
        QStringLiteral("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><group name=\"①\"/>") +
        QChar(0) + QStringLiteral("garbage"));
    ASSERT_TRUE(r.ok()) << r.errorMessage.toStdString();
    EXPECT_EQ(schema::NameOf(r.document.documentElement()), QStringLiteral("①"));
}

// Whatever the program can build loads again, from the data file and from an import alike:
// libxml2's limits (10 MB of text, 256 levels) apply to neither.
TEST(XmlRoundTrip, DataFileAndImportLiftLibxmlLimits) {
    XmlDocument doc = schema::CreateNewDocument();
    XmlNode group = doc.documentElement();
    for (int depth = 0; depth < 3000; ++depth) group = AddGroup(group, QString::number(depth));
    const QString big(20 * 1024 * 1024, QChar(u'v'));
    AddItem(group, "big", big);

    QElapsedTimer timer;
    timer.start();
    XmlDocument loaded = ReloadDataText(doc);
    XmlParseResult imported = XmlDocument::parseBytes(doc.serialize("UTF-8"));
    EXPECT_LT(timer.elapsed(), 20000);
    ASSERT_TRUE(imported.ok()) << imported.errorMessage.toStdString();
    for (const XmlDocument& again : {loaded, imported.document}) {
        ASSERT_FALSE(again.isNull());
        XmlNode deepest = again.selectSingleNode("//item[@name='big']");
        ASSERT_FALSE(deepest.isNull());
        EXPECT_EQ(deepest.text().size(), big.size());
        EXPECT_EQ(schema::NameOf(deepest.parentElement()), "2999");
    }
}

namespace {

// How the indentation of a file was left out before the parser did it while building the tree:
// parse everything, then walk the tree and remove each whitespace-only text node of an element
// that holds elements. The reference for the test below.
bool ReferenceBlank(const xmlChar* text) {
    for (; text && *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
    return true;
}

XmlParseResult ReferenceParse(const QByteArray& bytes) {
    xmlDocPtr doc = xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), nullptr,
                                  nullptr, XML_PARSE_NONET | XML_PARSE_HUGE);
    if (!doc || !xmlDocGetRootElement(doc)) {
        if (doc) xmlFreeDoc(doc);
        return {XmlDocument(), QStringLiteral("reference parse failed")};
    }
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
    for (xmlNodePtr cur = top->children; cur; cur = xmlimpl::NextInTree(cur, top)) {
        bool hasElement = false;
        for (xmlNodePtr c = cur->children; c; c = c->next)
            hasElement |= c->type == XML_ELEMENT_NODE;
        if (cur->type != XML_ELEMENT_NODE || !hasElement) continue;
        for (xmlNodePtr c = cur->children; c;) {
            xmlNodePtr next = c->next;
            if (c->type == XML_TEXT_NODE && ReferenceBlank(c->content)) {
                xmlUnlinkNode(c);
                xmlFreeNode(c);
            }
            c = next;
        }
    }
    return {XmlAccess::wrap(std::make_shared<XmlDocHolder>(doc)), QString()};
}

}  // namespace

// The tree built while the indentation is left out during parsing is the tree the old walk over
// the parsed document left: for indentation, blank values, blanks next to comments, instructions,
// CDATA sections and references, runs longer than the parser's pieces, and blanks that only
// merged pieces make.
TEST(XmlRoundTrip, IndentationIsDroppedAsTheWalkOverTheTreeDid) {
    const QString longBlanks(1000, u' ');
    const QStringList bodies = {
        u"<a>\n  <b/>\n</a>"_s,
        u"<a>   </a>"_s,
        u"<a></a>"_s,
        u"<a>\r\n\t<b>  </b>\r\n\t<c> x </c>\r\n</a>"_s,
        u"<a>  &#32;<b/></a>"_s,
        u"<a>&#32;&#9;</a>"_s,
        u"<a>  &amp;<b/></a>"_s,
        u"<a>  <!--c-->  <b/>  </a>"_s,
        u"<a>  <!--c-->  </a>"_s,
        u"<a>  <?pi x?>  </a>"_s,
        u"<a>  <?pi x?>  <b/></a>"_s,
        u"<a> <![CDATA[  ]]> <b/> </a>"_s,
        u"<a>x<b/> </a>"_s,
        u"<a> <b> <c/> </b> <d>\u00A0</d> </a>"_s,
        u"<a>"_s + longBlanks + u"<b/>"_s + longBlanks + u"</a>"_s,
        u"<a>"_s + longBlanks + u"</a>"_s,
        u"<a>"_s + longBlanks + u"x"_s + longBlanks + u"<b/></a>"_s,
        u"<a xml:space=\"preserve\">\n  <b/>\n</a>"_s,
        u"<p:a xmlns:p=\"urn:x\">\n  <p:b>\n  </p:b>\n</p:a>"_s,
    };
    for (const QString& body : bodies) {
        SCOPED_TRACE(body.toStdString());
        const QByteArray bytes = u"<?xml version=\"1.0\"?>\n"_s.toUtf8() + body.toUtf8() + "\n";
        const XmlParseResult reference = ReferenceParse(bytes);
        ASSERT_TRUE(reference.ok());
        for (const XmlParseResult& parsed :
             {XmlDocument::parseBytes(bytes),
              XmlDocument::parseDataText(QString::fromUtf8(bytes))}) {
            ASSERT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
            QString where;
            EXPECT_TRUE(parsed.document.sameContent(reference.document, &where))
                << where.toStdString();
            EXPECT_EQ(parsed.document.serialize(u"UTF-8"_s),
                      reference.document.serialize(u"UTF-8"_s));
        }
    }
}
