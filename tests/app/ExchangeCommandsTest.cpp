#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTreeWidgetItem>

#include "app/AppTestSupport.h"
#include "diag/LogFile.h"
#include "items/ui/CZetrovaView.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CInKeyDlg.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

constexpr int kImport = 32776;
constexpr int kExport = 32777;

const QString kKey = QStringLiteral("pass");

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const char kDocument[] = R"(<group name="root">
  <group name="銀行 O'Brien's 100%">
    <item name="口座 it's">1234-5678 ①～</item>
    <secret name="暗証 %s">9'9"9 &amp; &lt;x&gt;</secret>
    <group name="空"/>
  </group>
  <group name="Mail"><item name="a">  padded  </item></group>
</group>)";

class ExchangeCommands : public ::testing::Test {
protected:
    ExchangeCommands() {
        ws.doc().keyVerifier = MakeKeyVerifier(kKey);
        LoadDocument(ws, kDocument);
        prompter.clearMessages();
    }

    void run(int id) { h.frame->dispatchCommand(id); }
    void key(const QString& typed) { AnswerKey(prompter, typed); }
    // Every group, item and value of the document, as UTF-16 XML text.
    QByteArray content() const { return ws.doc().document.serialize(QStringLiteral("utf-16")); }
    QStringList treeLabels() const {
        QStringList out;
        for (QTreeWidgetItemIterator it(h.frame->groupTree()); *it; ++it)
            out << LabelChain(*it).join(u'/');
        return out;
    }
    void expectXmlRequest(const FileDialogRequest& r) {
        ASSERT_EQ(r.filters.size(), 2);
        EXPECT_EQ(r.filters[0].description, QStringLiteral("XMLファイル (*.xml)"));
        EXPECT_EQ(r.filters[0].pattern, QStringLiteral("*.xml"));
        EXPECT_EQ(r.filters[1].description, QStringLiteral("すべてのファイル (*.*)"));
        EXPECT_EQ(r.filters[1].pattern, QStringLiteral("*.*"));
        EXPECT_EQ(r.defaultExtension, QStringLiteral("xml"));
        EXPECT_TRUE(r.initialName.isEmpty());
    }

    TempDir dir;
    ScriptedPrompter prompter;
    FrameHarness h;
    Workspace& ws = h.frame->workspace();
};

TEST_F(ExchangeCommands, ExportAsksForTheKeyBeforeAnyFileDialog) {
    key("wrong");
    prompter.cancelDialog();
    run(kExport);
    EXPECT_TRUE(prompter.fileRequests().isEmpty());
    EXPECT_EQ(prompter.texts(), QStringList({"キーが違います"}));

    // The key, then a cancelled file dialog: nothing is written either.
    key(kKey);
    prompter.answerSaveFile(std::nullopt);
    run(kExport);
    ASSERT_EQ(prompter.fileRequests().size(), 1);
    expectXmlRequest(prompter.fileRequests()[0]);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(prompter.exhausted());
}

TEST_F(ExchangeCommands, ExportThenImportGivesBackTheSameDocument) {
    const QByteArray before = content();
    dir.write("out.xml", QByteArray(5000, 'x'));  // replaced without a question
    key(kKey);
    prompter.answerSaveFile(dir.file("out.xml"));
    run(kExport);
    EXPECT_FALSE(ws.doc().modified);
    const QByteArray bytes = dir.read("out.xml");
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<group"));
    // Shift_JIS bytes, the secret in clear: 暗証 is 88 C3 8F D8, ① 87 40.
    EXPECT_TRUE(bytes.contains("\x88\xC3\x8F\xD8 %s"));
    EXPECT_TRUE(bytes.contains("\x87\x40"));
    EXPECT_FALSE(bytes.contains('x' + QByteArray(10, 'x')));

    // Import into another document, with a mark and a current group in the way.
    ws.doc().document = schema::CreateNewDocument();
    ws.doc().root = ws.doc().document.documentElement();
    ws.RebuildTree();
    ws.SetCurrentGroup(h.frame->groupTree()->topLevelItem(0));
    ws.mark().kind = MarkSlot::Kind::Group;
    ws.mark().node = ws.doc().root;
    ws.mark().groupItem = TreeItemRef(h.frame->groupTree(), h.frame->groupTree()->topLevelItem(0));
    prompter.answerOpenFile(dir.file("out.xml"));
    run(kImport);
    expectXmlRequest(prompter.fileRequests().last());
    EXPECT_EQ(content(), before);
    EXPECT_EQ(ws.doc().root, ws.doc().document.documentElement());
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::None);
    EXPECT_EQ(ws.currentGroupItem(), nullptr);
    EXPECT_EQ(treeLabels(), QStringList({"root", "root/銀行 O'Brien's 100%",
                                         "root/銀行 O'Brien's 100%/空", "root/Mail"}));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

// The secrets in clear never take the place of the program's own files, under any name.
TEST_F(ExchangeCommands, ExportNeverWritesOverTheDataSettingsOrLogFile) {
    ws.doc().dataFilePath = dir.file("Zetrova.dat");
    dir.write("Zetrova.dat", "encrypted");
    ASSERT_TRUE(QFile::link(dir.file("Zetrova.dat"), dir.file("link.xml")));
    const QString log = LogFile::Instance().path();
    const QByteArray logBefore = ReadAll(log);
    // The start directory's settings file does not exist yet.
    for (const auto& [chosen, kind] : {std::pair{dir.file("Zetrova.dat"), "データファイル"},
                                       {dir.file("link.xml"), "データファイル"},
                                       {"/nonexistent/Zetrova.ini", "設定ファイル"},
                                       {log, "ログファイル"}}) {
        key(kKey);
        prompter.answerSaveFile(chosen);
        run(kExport);
        EXPECT_EQ(prompter.texts(),
                  QStringList{chosen + "は" + kind + "のため、エクスポートしませんでした"});
        prompter.clearMessages();
    }
    EXPECT_EQ(dir.read("Zetrova.dat"), "encrypted");
    EXPECT_FALSE(QFileInfo::exists("/nonexistent/Zetrova.ini"));
    EXPECT_EQ(ReadAll(log), logBefore);
}

TEST_F(ExchangeCommands, AFailedImportKeepsTheDocumentTheTreeTheListAndTheMarks) {
    ws.SetCurrentGroup(h.frame->groupTree()->topLevelItem(0)->child(1));
    ws.mark().kind = MarkSlot::Kind::Item;
    ws.mark().node = ws.doc().root.firstChild();
    const XmlDocument document = ws.doc().document;
    const QByteArray before = content();
    const QStringList labels = treeLabels();
    QTreeWidgetItem* current = ws.currentGroupItem();
    dir.write("broken.xml", "<group name=\"root\"><group>");

    prompter.answerOpenFile(std::nullopt);
    prompter.answerOpenFile(dir.file("broken.xml"));
    prompter.answerOpenFile(dir.file("missing.xml"));
    for (int i = 0; i < 3; ++i) run(kImport);

    EXPECT_EQ(prompter.texts(), QStringList(2, QStringLiteral("ルートを取得できませんでした")));
    EXPECT_EQ(ws.doc().document, document);
    EXPECT_EQ(content(), before);
    EXPECT_EQ(treeLabels(), labels);
    EXPECT_EQ(ws.currentGroupItem(), current);
    EXPECT_EQ(h.frame->itemList()->rowCount(), 1);
    EXPECT_EQ(ws.mark().kind, MarkSlot::Kind::Item);
    EXPECT_FALSE(ws.doc().modified);
}

TEST_F(ExchangeCommands, ImportTakesAnyDocumentElementAndDiscardsUnsavedChanges) {
    ws.doc().modified = true;
    dir.write("other.xml", "<?xml version=\"1.0\"?><list><group name=\"x\"/></list>");
    prompter.answerOpenFile(dir.file("other.xml"));
    run(kImport);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(ws.doc().root.name(), QStringLiteral("list"));
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(h.frame->groupTree()->topLevelItemCount(), 0);
}

}  // namespace
