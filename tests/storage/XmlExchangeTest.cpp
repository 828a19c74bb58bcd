#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "storage/SafeFileWrite.h"
#include "storage/SameFile.h"
#include "storage/StorageTestSupport.h"
#include "storage/XmlExchange.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

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

// Elements nested `depth` levels deep, the deepest holding a value.
QString Nested(int depth) {
    QString text;
    for (int i = 1; i < depth; ++i) text += QStringLiteral("<group name=\"%1\">").arg(i);
    text += QStringLiteral("<item name=\"deepest\">v</item>");
    for (int i = 1; i < depth; ++i) text += QStringLiteral("</group>");
    return text;
}

XmlDocument FromDataText(const QString& text) {
    XmlParseResult parsed = XmlDocument::parseDataText(text);
    EXPECT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
    return parsed.document;
}

// Every export imports back to the same document, or is refused with a message that names what
// cannot be written, leaving the file as it was.
TEST(XmlExchange, AnExportImportsBackTheSameOrIsRefused) {
    const QString big(10'000'001, u'v');  // past libxml2's limit of 10,000,000 bytes in a node
    const QString cannot =
        QStringLiteral("にはShift_JISで書けない文字があるため、エクスポートできませんでした");
    struct Case {
        const char* what;
        std::function<XmlDocument()> make;
        QString refusal;  // empty: the export must restore
    };
    const QList<Case> cases = {
        {"an empty document", [] { return schema::CreateNewDocument(); }, {}},
        {"line breaks and tabs in values and names",
         [] {
             return FromDataText(
                 "<group name=\"root\"><item name=\"a&#13;&#10;b&#13;c&#10;&#9;\">"
                 "x&#13;&#10;y&#13;z&#10;</item><secret name=\"s\">&#13;</secret></group>");
         },
         {}},
        {"blank and empty values and names",
         [] {
             return FromDataText(
                 "<group name=\"root\"><item name=\"sp\">   </item><item name=\" \"> a </item>"
                 "<item name=\"\"/><group name=\"  \"><secret name=\"t\">&#9;&#10;</secret>"
                 "</group></group>");
         },
         {}},
        {"characters code page 932 lacks, in values and attribute values",
         [] {
             return FromDataText(
                 "<group name=\"r\u00e9\U0001F600\"><item name=\"\u301c\" x=\"\u00e9\">"
                 "\u00e9 \u2014 \U0001F600 \ufffd \u301c\uff5e\u2460</item></group>");
         },
         {}},
        {"a name and a value of ten million characters",
         [&big] {
             XmlDocument doc = schema::CreateNewDocument();
             AddItem(doc.documentElement(), big, big, true);
             return doc;
         },
         {}},
        {"deeper than libxml2's default of 256 levels",
         [] { return FromDataText(Nested(300)); },
         {}},
        {"as deep as an import reads",
         [] { return FromDataText(Nested(XmlDocument::kImportDepthLimit)); },
         {}},
        {"other attributes and namespaces",
         [] {
             return FromDataText(
                 "<group name=\"root\" xmlns:z=\"urn:z:\u00e9\" z:kind=\"k\" xml:lang=\"ja\" "
                 "extra=\"1\"><z:item name=\"n\" z:name=\"m\">v</z:item><item "
                 "xmlns=\"urn:default\" name=\"d\">w</item><group name=\"g\" "
                 "xmlns:unused=\"urn:u\"/></group>");
         },
         {}},
        {"comments, processing instructions and CDATA",
         [] {
             return FromDataText(
                 "<!--before--><?app data?><group name=\"root\"><!--in a group-->"
                 "<item name=\"c\"><!--a comment alone--></item><group name=\"p\"><?pi alone?>"
                 "</group><item name=\"cd\"><![CDATA[<raw> & ]]]]><![CDATA[>]]></item>"
                 "<item name=\"mixed\">text<!--c-->more</item></group><!--after-->");
         },
         {}},
        {"a document element of another kind",
         [] { return FromDataText("<notes><x/>text</notes>"); },
         {}},
        {"deeper than an import reads",
         [] { return FromDataText(Nested(XmlDocument::kImportDepthLimit + 1)); },
         QStringLiteral("階層が%1段より深いため、エクスポートできませんでした")
             .arg(XmlDocument::kImportDepthLimit)},
        {"an element name",
         [] { return FromDataText("<group name=\"root\"><caf\u00e9/></group>"); },
         QStringLiteral("名前「café」") + cannot},
        {"an attribute name", [] { return FromDataText("<group na\u00efve=\"1\"/>"); },
         QStringLiteral("名前「naïve」") + cannot},
        {"a namespace prefix",
         [] { return FromDataText("<group xmlns:\u00e9=\"urn:e\" name=\"root\"/>"); },
         QStringLiteral("名前「é」") + cannot},
        {"a processing instruction's target",
         [] { return FromDataText("<?p\u00e9 x?><group name=\"root\"/>"); },
         QStringLiteral("名前「pé」") + cannot},
        {"a comment", [] { return FromDataText("<group name=\"root\"><!--caf\u00e9--></group>"); },
         QStringLiteral("「café」") + cannot},
        {"a long CDATA section",
         [] {
             return FromDataText("<group><item name=\"x\"><![CDATA[" + QString(50, u'a') +
                                 "\U0001F600]]></item></group>");
         },
         QStringLiteral("「%1…」").arg(QString(40, u'a')) + cannot},
        {"blanks beside elements, which an import drops",
         [] {
             XmlDocument doc = schema::CreateNewDocument();
             doc.documentElement().setText(QStringLiteral("  "));
             AddItem(doc.documentElement(), QStringLiteral("x"), QStringLiteral("v"));
             return doc;
         },
         QStringLiteral(
             "書き出した内容が元のとおりに読み戻せないため、エクスポートできませんでした（root）")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.write("out.xml", "old export");
        const XmlDocument doc = c.make();
        ScriptedPrompter prompter;
        const bool written = WriteXmlFile(doc, dir.file("out.xml"));
        if (!c.refusal.isEmpty()) {
            EXPECT_FALSE(written);
            EXPECT_EQ(prompter.texts(), QStringList{c.refusal});
            EXPECT_EQ(dir.read("out.xml"), "old export");
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.xml"});
            continue;
        }
        EXPECT_TRUE(written) << prompter.texts().join(u'\n').toStdString();
        DocumentState state = StateWith(schema::CreateNewDocument());
        QString detail;
        if (!written || !ImportXmlFile(state, dir.file("out.xml"), nullptr, &detail)) {
            ADD_FAILURE() << "not imported: " << detail.toStdString();
            continue;
        }
        EXPECT_TRUE(prompter.texts().isEmpty());
        // Compared as UTF-8 text: every node, attribute, namespace, comment and value.
        EXPECT_TRUE(state.document.serialize("UTF-8") == doc.serialize("UTF-8"));
    }
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
    EXPECT_EQ(
        prompter.texts(),
        (QStringList{
            QStringLiteral("書き込めませんでした"),
            dir.path() + QStringLiteral("は通常のファイルではないため、書き込みませんでした")}));
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

// An export reaches a program file wherever the writer would reach it: through a hard link, a
// link, a chain of links or a folder link, and also where the file is still to be written, through
// a link left dangling at its place. Each case is also written, to see where the writer lands.
TEST(XmlExchange, ExportIsRefusedWhereverTheWriterWouldReachAProgramFile) {
    const struct {
        const char* what;
        const char* exported;
        const char* programFile;
        bool same;
        bool writeReaches;  // the written text ends up in the program file
    } cases[] = {
        {"the same path", "home/Zetrova.dat", "home/Zetrova.dat", true, true},
        {"the same path spelt otherwise", "home/./x/../Zetrova.dat", "home/Zetrova.dat", true,
         true},
        {"another regular file", "home/other.xml", "home/Zetrova.dat", false, false},
        {"a new file beside it", "home/new.xml", "home/Zetrova.dat", false, false},
        {"a hard link", "home/hard", "home/Zetrova.dat", true, false},
        {"a symbolic link", "abs", "home/Zetrova.dat", true, true},
        {"a chain of links", "chain1", "home/Zetrova.dat", true, true},
        {"a relative link from its own folder", "sub/rel", "home/Zetrova.dat", true, true},
        {"a dangling link to the missing data path", "dangling", "home/missing.dat", true, true},
        {"a dangling chain", "sub/chain", "home/missing.dat", true, true},
        {"a missing file through a folder link", "homelink/missing.dat", "home/missing.dat", true,
         true},
        {"the missing path through a folder link", "home/missing.dat", "homelink/missing.dat", true,
         true},
        {"a link dangling elsewhere", "elsewhere", "home/missing.dat", false, false},
        {"a link to the folder", "homelink", "home/missing.dat", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        for (const char* folder : {"home", "home/x", "sub"}) QDir(dir.path()).mkdir(folder);
        dir.write("home/Zetrova.dat", "data");
        dir.write("home/other.xml", "other");
        const QByteArray base = QFile::encodeName(dir.path()) + '/';
        ASSERT_EQ(::link(base + "home/Zetrova.dat", base + "home/hard"), 0);
        const QByteArray links[][2] = {{"abs", base + "home/Zetrova.dat"},
                                       {"chain1", "chain2"},
                                       {"chain2", "sub/rel"},
                                       {"sub/rel", "../home/Zetrova.dat"},
                                       {"dangling", "home/missing.dat"},
                                       {"sub/chain", "../dangling"},
                                       {"homelink", "home"},
                                       {"elsewhere", "home/elsewhere.dat"}};
        for (const auto& [link, target] : links) ASSERT_EQ(::symlink(target, base + link), 0);
        const QString exported = dir.file(QString::fromUtf8(c.exported));
        const QString programFile = dir.file(QString::fromUtf8(c.programFile));

        EXPECT_EQ(IsSameFile(exported, programFile), c.same);
        EXPECT_EQ(IsSameFile(programFile, exported), c.same);
        ScriptedPrompter prompter;
        EXPECT_EQ(RefuseExportOntoProgramFile(exported, {QString(), programFile, QString()}),
                  c.same);
        EXPECT_EQ(
            prompter.texts(),
            c.same ? QStringList{exported +
                                 QStringLiteral("は設定ファイルのため、エクスポートしませんでした")}
                   : QStringList());

        // Relative paths are taken from the current folder, links from their own.
        const QString here = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.file("home")));
        EXPECT_EQ(IsSameFile(QDir(dir.file("home")).relativeFilePath(exported),
                             QDir(dir.file("home")).relativeFilePath(programFile)),
                  c.same);
        ASSERT_TRUE(QDir::setCurrent(here));

        const bool isFolder = QFileInfo(exported).isDir();
        EXPECT_EQ(WriteFileSafely(exported, "new", 3), !isFolder);
        EXPECT_EQ(QFileInfo(programFile).isFile() && dir.read(c.programFile) == "new",
                  c.writeReaches);
    }
}

}  // namespace
