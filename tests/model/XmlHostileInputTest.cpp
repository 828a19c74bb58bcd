#include <gtest/gtest.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>

#include "diag/XmlError.h"
#include "model/ModelTestSupport.h"
#include "support/TempDir.h"

namespace {

const QByteArray kBillionLaughs =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE group [\n"
    " <!ENTITY lol \"lol\">\n"
    " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
    " <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
    " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
    " <!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
    " <!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">\n"
    " <!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">\n"
    " <!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">\n"
    " <!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">\n"
    " <!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">\n"
    "]>\n"
    "<group name=\"root\"><item name=\"x\">&lol9;</item></group>\n";

// Both ways in: the data text (limits lifted) and an import.
void ExpectRefusedQuickly(const QByteArray& xml) {
    QElapsedTimer timer;
    timer.start();
    XmlParseResult data = XmlDocument::parseDataText(QString::fromUtf8(xml));
    XmlParseResult import = XmlDocument::parseBytes(xml);
    EXPECT_FALSE(data.ok());
    EXPECT_FALSE(import.ok());
    EXPECT_FALSE(data.errorMessage.isEmpty());
    EXPECT_FALSE(import.errorMessage.isEmpty());
    EXPECT_LT(timer.elapsed(), 2000);
}

}  // namespace

TEST(XmlHostileInput, DocumentTypeDeclarationsAreRefused) {
    ExpectRefusedQuickly(kBillionLaughs);
    ExpectRefusedQuickly(
        "<!DOCTYPE group [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
        "<group name=\"root\"><item name=\"x\">&x;</item></group>");
    ExpectRefusedQuickly(
        "<!DOCTYPE group [<!ENTITY % p SYSTEM \"http://127.0.0.1:1/x.dtd\"> %p;]>"
        "<group name=\"root\"/>");
    ExpectRefusedQuickly("<!DOCTYPE group SYSTEM \"/etc/passwd\"><group name=\"root\"/>");
    ExpectRefusedQuickly("<!DOCTYPE group><group name=\"root\"/>");
}

TEST(XmlHostileInput, MalformedTextIsAFailureWithAMessage) {
    ExpectRefusedQuickly("<group name=\"root\"><item name=\"x\">&undeclared;</item></group>");
    ExpectRefusedQuickly("<group name=\"root\">");
    ExpectRefusedQuickly("not xml at all");
    ExpectRefusedQuickly("<?xml version=\"1.0\"?>");
    ExpectRefusedQuickly("");
}

// An import nests as deep as its bound and no deeper, refused before the deeper element is made;
// the data file has no bound.
TEST(XmlHostileInput, ImportRefusesNestingPastItsBound) {
    const int bound = XmlDocument::kImportDepthLimit;
    auto nested = [](int depth) {
        QByteArray xml;
        for (int i = 0; i < depth; ++i) xml += "<g>";
        for (int i = 0; i < depth; ++i) xml += "</g>";
        return xml;
    };
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(XmlDocument::parseBytes(nested(bound)).document.depth(), bound);
    const XmlParseResult deeper = XmlDocument::parseBytes(nested(bound + 1));
    EXPECT_FALSE(deeper.ok());
    EXPECT_EQ(deeper.errorMessage,
              QStringLiteral("the elements nest deeper than %1 levels").arg(bound));
    EXPECT_TRUE(XmlDocument::parseDataText(QString::fromLatin1(nested(bound + 1))).ok());
    // A flood of start tags stops at the bound.
    EXPECT_EQ(XmlDocument::parseBytes(QByteArray("<g>").repeated(100 * bound)).errorMessage,
              deeper.errorMessage);
    EXPECT_LT(timer.elapsed(), 5000);
}

TEST(XmlHostileInput, ImportParsesFileBytesAndLibxmlStaysSilent) {
    TempDir dir;
    dir.write("a.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<group name=\"r\xC3\xA9\"/>");
    dir.write("bad.xml", "<group name='x'><item></group>");
    // Whatever libxml2 has to say goes into the result, never to the terminal.
    fflush(stderr);
    const QString capturedPath = dir.file("stderr.txt");
    const int saved = dup(STDERR_FILENO);
    FILE* capture = fopen(capturedPath.toLocal8Bit().constData(), "w");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), STDERR_FILENO);
    XmlParseResult good = XmlDocument::parseBytes(dir.read("a.xml"), dir.file("a.xml"));
    XmlParseResult bad = XmlDocument::parseBytes(dir.read("bad.xml"), dir.file("bad.xml"));
    XmlParseResult laughs = XmlDocument::parseBytes(kBillionLaughs);
    bool xpathFailed = false;
    try {
        good.document.selectNodes("///");
    } catch (const XmlError&) {
        xpathFailed = true;
    }
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    fclose(capture);

    ASSERT_TRUE(good.ok());
    EXPECT_EQ(schema::NameOf(good.document.documentElement()), QStringLiteral("ré"));
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE(bad.errorMessage.contains("line")) << bad.errorMessage.toStdString();
    EXPECT_FALSE(laughs.ok());
    EXPECT_TRUE(xpathFailed);
    EXPECT_EQ(dir.read("stderr.txt"), QByteArray());
}
