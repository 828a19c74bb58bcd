// Earlier versions in the desktop program: kept by every path that replaces a data file, listed
// in 以前の版 and taken back from there.
#include <gtest/gtest.h>

#include <QFile>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/Settings.h"
#include "items/ui/CConfigDlg.h"
#include "model/ui/Workspace.h"
#include "storage/DataFileVersions.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CVersionsDlg.h"
#include "support/DataFiles.h"
#include "support/Documents.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

const QString kStart = QStringLiteral(
    "<group name=\"root\"><group name=\"A\"><secret name=\"pin\">1234</secret></group>"
    "<group name=\"B\"/></group>");

QString Text(const XmlDocument& doc) {
    return doc.isNull() ? QStringLiteral("(none)") : QString::fromUtf8(doc.serialize("UTF-8"));
}

struct Session {
    Session(const TempDir& dir, ScriptedPrompter& prompter)
        : harness((AnswerKey(prompter, "pw"), true), dir.path()), ws(harness.frame->workspace()) {}
    CMainFrame& frame() { return *harness.frame; }
    FrameHarness harness;
    Workspace& ws;
};

void PrepareDir(const TempDir& dir) {
    ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kStart, "pw"));
    ASSERT_TRUE(
        WriteSettingsFile(dir.path(), dir.file("Zetrova.dat"), MakeKeyVerifier("pw"), false));
}

}  // namespace

TEST(Versions, EveryDesktopWritingPathKeepsWhatItReplaces) {
    struct Case {
        const char* what;
        // Scripts the answers and runs the command that replaces the file `replaced`.
        std::function<void(const TempDir&, ScriptedPrompter&, Session&)> run;
        const char* keyAfter = "pw";
        const char* replaced = "Zetrova.dat";
    };
    using namespace CommandId;
    const std::vector<Case> cases = {
        {"別名で保存 onto another existing file",
         [](const TempDir& dir, ScriptedPrompter& p, Session& s) {
             EXPECT_TRUE(WriteDataFile(dir.file("other.dat"), kStart, "pw"));
             Add(s.ws.doc().root, schema::kGroup, "new");
             p.answerSaveFile(dir.file("other.dat"));
             AnswerKey(p, "pw");
             s.frame().dispatchCommand(FileSaveAs);
         },
         "pw", "other.dat"},
        {"import, then 保存",
         [](const TempDir& dir, ScriptedPrompter& p, Session& s) {
             dir.write("in.xml", "<group name=\"root\"><item name=\"i\">v</item></group>");
             p.answerOpenFile(dir.file("in.xml"));
             s.frame().dispatchCommand(Import);
             AnswerKey(p, "pw");
             s.frame().dispatchCommand(FileSave);
         }},
        {"設定's 更新 with a new key",
         [](const TempDir&, ScriptedPrompter& p, Session& s) {
             p.answerDialog<CConfigDlg>([](CConfigDlg& d) {
                 d.key = "newkey";
                 return 1;
             });
             s.frame().dispatchCommand(Settings);
         },
         "newkey"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        PrepareDir(dir);
        ScriptedPrompter prompter;
        Session s(dir, prompter);
        const QString before = Text(ReadDataFile(dir.file("Zetrova.dat"), "pw"));
        c.run(dir, prompter, s);
        EXPECT_TRUE(prompter.exhausted());
        EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
        const std::vector<KeptVersion> versions =
            ListVersions(dir.file(c.replaced), CurrentVersionPolicy());
        ASSERT_EQ(versions.size(), 1u);
        EXPECT_EQ(Text(ReadDataFile(versions.front().path, c.keyAfter)), before);
    }
}

// The other machine deleted group A; the save merges that in, says how many went and where they
// are, and 以前の版 brings A back from the version kept before the merge.
TEST(Versions, AMergeThatRemovesSaysSoAndTheDialogTakesItBack) {
    TempDir dir;
    PrepareDir(dir);
    ScriptedPrompter prompter;
    Session s(dir, prompter);
    const QString start = Text(s.ws.doc().document);
    ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"),
                              "<group name=\"root\"><group name=\"B\"/></group>", "pw"));
    Add(s.ws.doc().root, schema::kGroup, "C");
    prompter.clearMessages();
    prompter.answerChoice("結合");
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileSave);
    EXPECT_EQ(prompter.texts().mid(1),
              QStringList{"Zetrova.datと結合しました。ほかで削除されたグループと項目2件は、ここでも"
                          "なくなりました。ファイル › 以前の版で、結合の前の版から戻せます"});
    // Kept: what the other machine wrote (replaced by the save) and, before it, the file as this
    // program had loaded it.
    const std::vector<KeptVersion> versions =
        ListVersions(dir.file("Zetrova.dat"), CurrentVersionPolicy());
    ASSERT_EQ(versions.size(), 2u);
    EXPECT_EQ(Text(ReadDataFile(versions[1].path, "pw")), start);

    // 選んだものを戻す with the removal of A chosen: A comes back, C added since stays, the
    // document is modified and not saved.
    prompter.clearMessages();
    AnswerKey(prompter, "pw");
    QStringList summaries;
    QStringList differences;
    prompter.answerDialog<CVersionsDlg>([&](CVersionsDlg& d) {
        for (int i = 0; i < d.times.size(); ++i) summaries << d.summaryOf(i);
        for (const auto& row : d.differencesOf(1)) differences << row.kind + u' ' + row.path;
        d.chosenVersion = 1;
        d.chosenDifferences = {0};
        d.action = CVersionsDlg::Action::ChosenParts;
        return 1;
    });
    s.ws.doc().modified = false;
    s.frame().dispatchCommand(CommandId::Versions);
    EXPECT_TRUE(prompter.exhausted());
    EXPECT_EQ(summaries, (QStringList{"追加 1・削除 0・変更 0", "追加 1・削除 2・変更 0"}));
    EXPECT_EQ(differences, (QStringList{"削除 /A/", "追加 /C/"}));
    EXPECT_TRUE(s.ws.doc().modified);
    EXPECT_FALSE(s.ws.doc().document.selectSingleNode("/group/group[@name='A']/secret").isNull());
    EXPECT_FALSE(s.ws.doc().document.selectSingleNode("/group/group[@name='C']").isNull());
}
