#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "ScriptedPrompter.h"
#include "StorageTestSupport.h"
#include "TempDir.h"
#include "XmlExchange.h"

namespace {

DocumentState StateWith(const XmlDocument& doc) {
    DocumentState state;
    state.document = doc;
    state.root = doc.documentElement();
    state.dataFilePath = QStringLiteral("/data/Zetrova.dat");
    state.keyVerifier = MakeKeyVerifier(QStringLiteral("pass"));
    return state;
}

TEST(XmlExchange, ExportThenImportGivesTheSameDocument) {
    TempDir dir;
    XmlDocument doc = AwkwardDocument();
    AddItem(doc.documentElement(), QStringLiteral("outside cp932"), QStringLiteral("😀 ∑ ß"));
    ScriptedPrompter prompter;
    ASSERT_TRUE(WriteXmlFile(doc, dir.file("out.xml")));
    EXPECT_TRUE(prompter.texts().isEmpty());

    const QByteArray bytes = dir.read("out.xml");
    EXPECT_TRUE(bytes.startsWith(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<group name=\"root\">\n  <group"))
        << bytes.left(80).toStdString();
    // Code page 932 bytes: ① is 87 40, the full-width tilde 81 60.
    EXPECT_TRUE(bytes.contains("\x87\x40\x81\x60"));

    DocumentState state = StateWith(schema::CreateNewDocument());
    state.modified = false;
    ASSERT_TRUE(ImportXmlFile(state, dir.file("out.xml")));
    EXPECT_TRUE(prompter.texts().isEmpty());
    EXPECT_EQ(Outline(state.document), Outline(doc));
    EXPECT_EQ(state.root, state.document.documentElement());
    // Import touches neither path, key nor the modified flag (the command sets it).
    EXPECT_EQ(state.dataFilePath, QStringLiteral("/data/Zetrova.dat"));
    EXPECT_EQ(state.keyVerifier, MakeKeyVerifier(QStringLiteral("pass")));
    EXPECT_FALSE(state.modified);
}

TEST(XmlExchange, ExportReplacesAnExistingFileAndReportsWhatCannotBeWritten) {
    TempDir dir;
    dir.write("out.xml", QByteArray(10000, 'x'));
    const QFile::Permissions shared =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(dir.file("out.xml"), shared));
    ScriptedPrompter prompter;
    ASSERT_TRUE(WriteXmlFile(schema::CreateNewDocument(), dir.file("out.xml")));
    EXPECT_EQ(
        dir.read("out.xml"),
        QByteArray("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<group name=\"root\"/>\n"));

    // The exported secrets are the owner's alone, also where the replaced file was readable by all.
    EXPECT_EQ(QFile::permissions(dir.file("out.xml")) & ~QFile::Permissions(0x0F00),
              QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(WriteXmlFile(schema::CreateNewDocument(), dir.file("new.xml")));
    EXPECT_EQ(QFile::permissions(dir.file("new.xml")) & ~QFile::Permissions(0x0F00),
              QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(dir.file("new.xml"));

    EXPECT_FALSE(WriteXmlFile(schema::CreateNewDocument(), dir.file("missing/out.xml")));
    EXPECT_FALSE(WriteXmlFile(schema::CreateNewDocument(), dir.path()));
    EXPECT_EQ(prompter.texts(), QStringList(2, QStringLiteral("書き込めませんでした")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.xml")});

    // The old file survives a write that fails halfway.
    prompter.clearMessages();
    const QByteArray before = dir.read("out.xml");
    XmlDocument big = schema::CreateNewDocument();
    for (int i = 0; i < 200; ++i)
        AddItem(big.documentElement(), QStringLiteral("i%1").arg(i), QString(40, u'x'));
    bool written = true;
    {
        FileSizeLimit limit(2048);
        written = WriteXmlFile(big, dir.file("out.xml"));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("書き込めませんでした")});
    EXPECT_EQ(dir.read("out.xml"), before);
}

TEST(XmlExchange, FailedImportKeepsTheCurrentDocument) {
    TempDir dir;
    dir.write("malformed.xml", "<group name=\"root\"><item name=\"a\">x</group>");
    dir.write("empty.xml", "");
    dir.write("bomb.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE g [<!ENTITY a \"aaaaaaaaaa\">"
              "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
              "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]>\n<group name=\"&c;\"/>");

    // Hostile input in detail is the parser's business; here: the notice and the kept document.
    for (const char* name : {"missing.xml", "malformed.xml", "empty.xml", "bomb.xml"}) {
        SCOPED_TRACE(name);
        ScriptedPrompter prompter;
        XmlDocument mine = AwkwardDocument();
        DocumentState state = StateWith(mine);
        const XmlNode root = state.root;
        QString detail;
        EXPECT_FALSE(ImportXmlFile(state, dir.file(QString::fromUtf8(name)), nullptr, &detail));
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("ルートを取得できませんでした")});
        EXPECT_EQ(prompter.messages().front().caption, QStringLiteral("通知"));
        EXPECT_FALSE(detail.isEmpty());
        EXPECT_EQ(state.document, mine);
        EXPECT_EQ(state.root, root);
        EXPECT_EQ(Outline(state.document), Outline(AwkwardDocument()));
    }
}

TEST(XmlExchange, ImportAcceptsAnyDocumentElementAndWindowsExports) {
    TempDir dir;
    dir.write("other.xml", "<notes><item name=\"a\">b</item></notes>");
    // Shift_JIS as the Windows program writes it: the name 値 and the value ①～ in code page 932.
    dir.write("sjis.xml",
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<group name=\"root\">"
              "<item name=\"\x92\x6C\">\x87\x40\x81\x60</item></group>");

    ScriptedPrompter prompter;
    DocumentState state = StateWith(schema::CreateNewDocument());
    ASSERT_TRUE(ImportXmlFile(state, dir.file("other.xml")));
    EXPECT_EQ(state.root.name(), QStringLiteral("notes"));
    ASSERT_TRUE(ImportXmlFile(state, dir.file("sjis.xml")));
    EXPECT_EQ(Outline(state.document), QStringLiteral("group [root]\n item [値] = {①～}\n"));
    EXPECT_TRUE(prompter.texts().isEmpty());
}

}  // namespace
