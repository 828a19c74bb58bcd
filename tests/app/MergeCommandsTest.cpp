// The data file changed elsewhere while the program holds it: merged, overwritten or kept on
// save, read again by itself when nothing is unsaved, and the sync tools' conflict copies merged.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTest>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "items/Settings.h"
#include "items/ui/CConfigDlg.h"
#include "items/ui/CZetrovaView.h"
#include "model/ui/GroupTreeWidget.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CInKeyDlg.h"
#include "storage/ui/DiskChangeMerge.h"
#include "support/DataFiles.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

const QString kBase = QStringLiteral(
    "<group name=\"root\"><group name=\"A\"><item name=\"user\">alice</item></group></group>");
// The base with a group B added on another machine.
const QString kTheirs = QStringLiteral(
    "<group name=\"root\"><group name=\"A\"><item name=\"user\">alice</item></group>"
    "<group name=\"B\"/></group>");

// The document of the data file at path under key; null when it does not open.
XmlDocument Opened(const QString& path, const QString& key) {
    DataFileContent content;
    if (!ReadDataFileUnder(path, MakeKeyVerifier(key), content)) return {};
    return content.document;
}

bool Has(const XmlDocument& doc, const char* xpath) {
    return !doc.isNull() && !doc.selectSingleNode(QString::fromUtf8(xpath)).isNull();
}

// A main window started on dir's data file with the key "pw", group A current, and the item
// "ours" added to A as an unsaved change.
struct Session {
    explicit Session(const TempDir& dir, ScriptedPrompter& prompter, bool edit = true)
        : harness((AnswerKey(prompter, "pw"), true), dir.path()), ws(harness.frame->workspace()) {
        emit harness.frame->groupTree()->clickedAt(
            TreeItemByLabels(harness.frame->groupTree(), {"A"}));
        if (!edit) return;
        XmlNode item = ws.doc().document.createElement(u"item");
        item.setAttribute(u"name", QStringLiteral("ours"));
        item.setText(QStringLiteral("1"));
        ws.FindCurrentGroup(false).appendChild(item);
        ws.doc().modified = true;
        ws.RefillItemList();
    }
    CMainFrame& frame() { return *harness.frame; }
    QString current() const {
        QTreeWidgetItem* item = ws.currentGroupItem();
        return item ? item->text(0) : QString();
    }
    FrameHarness harness;
    Workspace& ws;
};

void PrepareDir(const TempDir& dir) {
    ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kBase, "pw"));
    ASSERT_TRUE(
        WriteSettingsFile(dir.path(), dir.file("Zetrova.dat"), MakeKeyVerifier("pw"), false));
}

}  // namespace

// Ctrl+S after someone else changed the data file: 結合 (the default) keeps both sides' changes,
// 上書き this side's, キャンセル the file; a file under another key is merged only once its key is
// typed (キーを入力, the default).
TEST(DiskMerge, EachAnswerToTheChangedDataFileQuestion) {
    const QStringList three{"結合", "上書き", "キャンセル"};
    const QStringList otherKey{"キーを入力", "上書き", "キャンセル"};
    struct Case {
        const char* name;
        const char* theirsKey;
        const char* answer;  // "" takes the default button
        QStringList buttons;
        int defaultButton;
        bool written;
        bool hasTheirs;
    };
    const Case cases[] = {
        {"merge, the default", "pw", "", three, 0, true, true},
        {"overwrite", "pw", "上書き", three, 0, true, false},
        {"cancel", "pw", "キャンセル", three, 0, false, true},
        {"another key, cancel", "other", "キャンセル", otherKey, 0, false, true},
        {"another key, overwrite", "other", "上書き", otherKey, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        PrepareDir(dir);
        ScriptedPrompter prompter;
        Session s(dir, prompter);
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kTheirs, c.theirsKey));
        const QByteArray theirsBytes = dir.read("Zetrova.dat");
        prompter.clearMessages();

        prompter.answerChoice(QString::fromUtf8(c.answer));
        if (c.written) AnswerKey(prompter, "pw");
        s.frame().dispatchCommand(CommandId::FileSave);
        EXPECT_TRUE(prompter.exhausted());
        ASSERT_FALSE(prompter.messages().isEmpty());
        const ScriptedPrompter::Message& question = prompter.messages().front();
        EXPECT_TRUE(question.text.startsWith(dir.file("Zetrova.dat") + "は読み込みまたは保存の後に"
                                                                       "ほかで変更されています"))
            << question.text.toStdString();
        // The question asks what its default button does.
        EXPECT_TRUE(question.text.endsWith(c.buttons == three ? "結合して両方の変更を残しますか？"
                                                              : "以後はそのキーを使いますか？"))
            << question.text.toStdString();
        EXPECT_EQ(question.buttons, c.buttons);
        EXPECT_EQ(question.defaultButton, c.defaultButton);
        EXPECT_EQ(s.ws.doc().modified, !c.written);
        if (!c.written) {
            EXPECT_EQ(dir.read("Zetrova.dat"), theirsBytes);
            continue;
        }
        EXPECT_EQ(prompter.messages().size(), 1) << prompter.texts().join(",").toStdString();
        const XmlDocument saved = Opened(dir.file("Zetrova.dat"), "pw");
        EXPECT_TRUE(Has(saved, "/group/group[@name='A']/item[@name='ours']"));
        EXPECT_EQ(Has(saved, "/group/group[@name='B']"), c.hasTheirs);
        // The tree shows what was saved, the current group stays, and so does its list.
        EXPECT_EQ(TreeItemByLabels(s.frame().groupTree(), {"B"}) != nullptr, c.hasTheirs);
        EXPECT_EQ(s.current(), "A");
        EXPECT_EQ(s.frame().itemList()->rowCount(), 2);
        if (c.hasTheirs) {
            EXPECT_EQ(s.frame().statusText(), "Zetrova.datと結合しました。競合はありません");
        }
        // What was written is what the program holds now: the next save asks nothing.
        prompter.clearMessages();
        AnswerKey(prompter, "pw");
        s.frame().dispatchCommand(CommandId::FileSave);
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
    }
}

// The file changed again while the key was being typed: it is not replaced, the question comes
// and 結合 keeps that change too.
TEST(DiskMerge, AChangeWhileTheKeyIsTypedIsLookedAtAgain) {
    TempDir dir;
    PrepareDir(dir);
    ScriptedPrompter prompter;
    Session s(dir, prompter);
    prompter.clearMessages();
    prompter.answerDialog<CInKeyDlg>([&](CInKeyDlg& d) {
        EXPECT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kTheirs, "pw"));
        d.key = "pw";
        return 1;
    });
    prompter.answerChoice("");
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileSave);
    EXPECT_TRUE(prompter.exhausted());
    ASSERT_EQ(prompter.messages().size(), 1) << prompter.texts().join(",").toStdString();
    EXPECT_EQ(prompter.messages()[0].buttons, (QStringList{"結合", "上書き", "キャンセル"}));
    const XmlDocument saved = Opened(dir.file("Zetrova.dat"), "pw");
    EXPECT_TRUE(Has(saved, "/group/group[@name='A']/item[@name='ours']"));
    EXPECT_TRUE(Has(saved, "/group/group[@name='B']"));
    EXPECT_FALSE(s.ws.doc().modified);
}

// The file changed again while the question about it was open: it is not replaced, neither by a
// save nor by the settings command, whatever was answered; the question comes again.
TEST(DiskMerge, AChangeWhileTheQuestionIsOpenIsLookedAtAgain) {
    const QString later = QStringLiteral("<group name=\"root\"><group name=\"C\"/></group>");
    for (const int command : {CommandId::FileSave, CommandId::Settings}) {
        SCOPED_TRACE(command);
        TempDir dir;
        PrepareDir(dir);
        ScriptedPrompter prompter;
        Session s(dir, prompter);
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kTheirs, "pw"));
        prompter.clearMessages();
        if (command == CommandId::Settings)
            prompter.answerDialog<CConfigDlg>([](CConfigDlg& d) {
                d.key = "pw";
                return 1;
            });
        prompter.answerChoice(
            "上書き", [&] { ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), later, "pw")); });
        prompter.answerChoice("キャンセル");
        if (command == CommandId::FileSave) AnswerKey(prompter, "pw");
        s.frame().dispatchCommand(command);
        EXPECT_EQ(prompter.messages().size(), 2) << prompter.texts().join(",").toStdString();
        EXPECT_TRUE(Has(Opened(dir.file("Zetrova.dat"), "pw"), "/group/group[@name='C']"));
    }
}

// The key was changed on the other machine: キーを入力 asks for the key the file is under until it
// opens it, merges, writes under it (Save) or under the key of the dialog (設定), and the settings
// file names the key the data file is under. The key dialog cancelled: nothing is written.
TEST(DiskMerge, AKeyChangedElsewhereIsTypedMergedAndKept) {
    struct Case {
        const char* name;
        int command;
        QStringList keys;  // typed in the key dialog; "" cancels it
        bool written;
        const char* fileKey;  // the data file is under it afterwards
    };
    const Case cases[] = {
        {"save", CommandId::FileSave, {"pw", "other"}, true, "other"},
        {"settings", CommandId::Settings, {"other"}, true, "new"},
        {"key dialog cancelled", CommandId::FileSave, {""}, false, "other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        PrepareDir(dir);
        ScriptedPrompter prompter;
        Session s(dir, prompter);
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kTheirs, "other"));
        const QByteArray theirsBytes = dir.read("Zetrova.dat");
        prompter.clearMessages();
        if (c.command == CommandId::Settings)
            prompter.answerDialog<CConfigDlg>([](CConfigDlg& d) {
                d.key = "new";
                return 1;
            });
        prompter.answerChoice("");
        for (const QString& key : c.keys) {
            if (key.isEmpty())
                prompter.cancelDialog();
            else
                AnswerKey(prompter, key);
        }
        s.frame().dispatchCommand(c.command);
        EXPECT_TRUE(prompter.exhausted());
        ASSERT_FALSE(prompter.messages().isEmpty());
        EXPECT_TRUE(prompter.messages().front().text.endsWith(
            "ほかで変えられたキーを入力して結合し、以後はそのキーを使いますか？"));
        if (c.keys.size() > 1) {
            EXPECT_EQ(prompter.messages()[1].text, "キーが違います");
        }
        HeldSettings held;
        ASSERT_TRUE(ReadSettings(dir.path(), held));
        if (!c.written) {
            EXPECT_EQ(dir.read("Zetrova.dat"), theirsBytes);
            EXPECT_EQ(held.keyVerifier, MakeKeyVerifier("pw"));
            EXPECT_EQ(s.ws.doc().keyVerifier, MakeKeyVerifier("pw"));
            continue;
        }
        const XmlDocument saved = Opened(dir.file("Zetrova.dat"), c.fileKey);
        EXPECT_TRUE(Has(saved, "/group/group[@name='A']/item[@name='ours']"));
        EXPECT_TRUE(Has(saved, "/group/group[@name='B']"));
        EXPECT_EQ(held.keyVerifier, MakeKeyVerifier(c.fileKey));
        EXPECT_EQ(s.ws.doc().keyVerifier, MakeKeyVerifier(c.fileKey));
        EXPECT_FALSE(s.ws.doc().modified && c.command == CommandId::FileSave);
    }
}

// Both sides changed the same value: theirs is kept beside ours and the notice names the place.
TEST(DiskMerge, ConflictsAreReportedWithTheirGroupAndName) {
    TempDir dir;
    PrepareDir(dir);
    ScriptedPrompter prompter;
    Session s(dir, prompter, false);
    s.ws.FindCurrentGroup(false).firstChild().setText(QStringLiteral("alice@home"));
    s.ws.doc().modified = true;
    ASSERT_TRUE(
        WriteDataFile(dir.file("Zetrova.dat"),
                      QStringLiteral("<group name=\"root\"><group name=\"A\"><item name=\"user\">"
                                     "alice@work</item></group></group>"),
                      "pw"));
    prompter.answerChoice("結合");
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileSave);
    ASSERT_EQ(prompter.messages().size(), 2) << prompter.texts().join(",").toStdString();
    const QString report = prompter.messages()[1].text;
    EXPECT_TRUE(report.startsWith("Zetrova.datと結合しました。両方で違う値に変えられていた1件"))
        << report.toStdString();
    EXPECT_TRUE(report.contains("user")) << report.toStdString();
    const XmlDocument saved = Opened(dir.file("Zetrova.dat"), "pw");
    EXPECT_EQ(saved.selectSingleNode("/group/group/item[@name='user']").text(), "alice@home");
    EXPECT_EQ(saved.selectSingleNode("/group/group/item[@name='user（競合）']").text(),
              "alice@work");
    EXPECT_EQ(s.frame().itemList()->rowCount(), 2);
}

// The data file changed elsewhere: read again by itself, without a question, only while nothing
// is unsaved and only when it opens under the held key.
TEST(Reload, ByItselfOnlyWithoutUnsavedChanges) {
    struct Case {
        const char* name;
        bool unsaved;
        const char* theirsKey;
        bool reloaded;
        const char* status;
    };
    const Case cases[] = {
        {"nothing unsaved", false, "pw", true,
         "Zetrova.datはほかで変更されたため、読み込み直しました"},
        {"unsaved changes", true, "pw", false,
         "Zetrova.datはほかで変更されました。保存のときに、結合するかどうかを尋ねます"},
        {"another key", false, "other", false,
         "Zetrova.datはほかで変更されましたが、今のキーでは開けません。保存のときに、ほかで使われた"
         "キーを入力して結合できます"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        PrepareDir(dir);
        ScriptedPrompter prompter;
        Session s(dir, prompter, c.unsaved);
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kTheirs, c.theirsKey));
        // The watch on the data file's folder notices the change.
        EXPECT_EQ(
            QTest::qWaitFor([&] { return !s.frame().statusText().startsWith("Ready"); }, 10000),
            true);
        EXPECT_EQ(s.frame().statusText(), QString::fromUtf8(c.status));
        EXPECT_EQ(Has(s.ws.doc().document, "/group/group[@name='B']"), c.reloaded);
        EXPECT_EQ(TreeItemByLabels(s.frame().groupTree(), {"B"}) != nullptr, c.reloaded);
        EXPECT_EQ(s.current(), "A");
        EXPECT_EQ(s.ws.doc().modified, c.unsaved);
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
        EXPECT_FALSE(ReloadIfChangedOnDisk(s.ws));
    }
}

// Conflict copies beside the data file are offered after the key; merged and saved they are not
// offered again, and only Yes deletes one.
TEST(ConflictCopies, OfferedMergedSavedAndDeletedOnlyOnYes) {
    const QString syncthing = QStringLiteral("Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat");
    const QString dropbox = QStringLiteral("Zetrova (host's conflicted copy 2026-12-09).dat");
    for (const int deleteAnswer : {kAnswerNo, kAnswerYes}) {
        SCOPED_TRACE(deleteAnswer == kAnswerYes ? "deleted" : "kept");
        TempDir dir;
        PrepareDir(dir);
        ASSERT_TRUE(WriteDataFile(dir.file(syncthing), kTheirs, "pw"));
        // Under another key: not offered.
        ASSERT_TRUE(WriteDataFile(dir.file(dropbox), kTheirs, "other"));
        {
            ScriptedPrompter prompter;
            prompter.answerYes();                   // merge the copy
            AnswerKey(prompter, "pw");              // the save
            prompter.answerQuestion(deleteAnswer);  // delete it
            Session s(dir, prompter, false);
            EXPECT_TRUE(prompter.exhausted());
            ASSERT_EQ(
                prompter.texts(),
                (QStringList{"Zetrova.datの競合コピー" + syncthing + "があります。結合しますか？",
                             syncthing + "の内容はZetrova.datに保存されました。" + syncthing +
                                 "を削除しますか？"}));
            EXPECT_TRUE(prompter.messages()[1].defaultNo);
            EXPECT_TRUE(Has(Opened(dir.file("Zetrova.dat"), "pw"), "/group/group[@name='B']"));
            EXPECT_TRUE(TreeItemByLabels(s.frame().groupTree(), {"B"}));
            EXPECT_FALSE(s.ws.doc().modified);
            EXPECT_EQ(QFile::exists(dir.file(syncthing)), deleteAnswer == kAnswerNo);
            EXPECT_TRUE(QFile::exists(dir.file(dropbox)));
            // Opened again in this run: not offered again.
            prompter.clearMessages();
            prompter.answerOpenFile(dir.file("Zetrova.dat"));
            AnswerKey(prompter, "pw");
            s.frame().dispatchCommand(CommandId::FileOpen);
            EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
        }
        // The next run: the document holds all the kept copy holds, so nothing is asked.
        ScriptedPrompter prompter;
        Session again(dir, prompter, false);
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
    }
}

// A copy whose merge brought conflicts, kept after its merge, is not offered again: merging it
// once more would add nothing. A copy that does not open under the key is named on the status
// line.
TEST(ConflictCopies, AKeptCopyWithConflictsIsNotOfferedAgainAndOneUnderAnotherKeyIsNamed) {
    const QString copy = QStringLiteral("Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat");
    const QString locked = QStringLiteral("Zetrova (conflicted copy 2026-12-09 101500).dat");
    TempDir dir;
    PrepareDir(dir);
    ASSERT_TRUE(
        WriteDataFile(dir.file(copy),
                      QStringLiteral("<group name=\"root\"><group name=\"A\"><item name=\"user\">"
                                     "alice@work</item></group></group>"),
                      "pw"));
    ASSERT_TRUE(WriteDataFile(dir.file(locked), kTheirs, "other"));
    const QString named = "競合コピー" + locked + "は今のキーで開けないため、結合できません";
    {
        ScriptedPrompter prompter;
        prompter.answerYes();       // merge the copy
        AnswerKey(prompter, "pw");  // the save
        prompter.answerNo();        // keep it
        Session s(dir, prompter, false);
        EXPECT_TRUE(prompter.exhausted());
        ASSERT_EQ(prompter.messages().size(), 3) << prompter.texts().join(",").toStdString();
        EXPECT_TRUE(prompter.messages()[1].text.startsWith(
            copy + "と結合しました。値の違っていた1件は、" + copy + "の値を"))
            << prompter.messages()[1].text.toStdString();
        EXPECT_EQ(s.frame().statusText(), named);
    }
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ScriptedPrompter prompter;
        Session again(dir, prompter, false);
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
        EXPECT_EQ(again.frame().statusText(), named);
        EXPECT_EQ(again.ws.doc().document.selectNodes("/group/group/item").size(), 2);
    }
}
