// The document life cycle as the main window runs it: start-up, New, Open, Save, Save As, the
// save questions, the settings command, the tree and the list.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>
#include <utime.h>

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QTest>
#include <QTreeWidgetItem>
#include <functional>

#include "app/AppTestSupport.h"
#include "app/CommandIds.h"
#include "app/FrameWiring.h"
#include "diag/XmlError.h"
#include "items/ProfileFile.h"
#include "items/Settings.h"
#include "items/SyncedFolder.h"
#include "items/ui/CConfigDlg.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/SettingsCommand.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/CInKeyDlg.h"
#include "support/DataFiles.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

const QString kNested = QStringLiteral(
    "<group name=\"root\"><group name=\"A\"><item name=\"user\">alice</item>"
    "<secret name=\"pin\">1234</secret><group name=\"C\"/></group><group name=\"B\"/></group>");

void WriteIni(const TempDir& dir, const QString& dataPath, const QString& key) {
    ASSERT_TRUE(WriteSettingsFile(dir.path(), dataPath,
                                  key.isEmpty() ? QString() : MakeKeyVerifier(key), false));
}

QStringList TopLabels(const GroupTreeWidget* tree) {
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) out << tree->topLevelItem(i)->text(0);
    return out;
}

QStringList ChildLabels(const QTreeWidgetItem* item) {
    QStringList out;
    for (int i = 0; i < item->childCount(); ++i) out << item->child(i)->text(0);
    return out;
}

// Adds a group "edited" to the document and marks it modified.
void Edit(DocumentState& doc) {
    XmlNode group = doc.document.createElement(u"group");
    group.setAttribute(u"name", QStringLiteral("edited"));
    doc.root.appendChild(group);
    doc.modified = true;
}

bool HasEditedGroup(const DocumentState& state) {
    return state.hasDocument() &&
           !state.document.selectSingleNode(QStringLiteral("/group/group[@name='edited']"))
                .isNull();
}

// Whether the data file at path, opened with key, holds the group "edited".
bool OpensEdited(const QString& path, const QString& key) {
    DocumentState state;
    const QString verifier = MakeKeyVerifier(key);
    return LoadDataFile(state, path,
                        [&](QString& v) {
                            v = verifier;
                            return true;
                        }) &&
           HasEditedGroup(state);
}

// A started main window on a temporary start directory.
struct Started {
    explicit Started(const TempDir& dir) : harness(true, dir.path()), ws(frame().workspace()) {}
    CMainFrame& frame() { return *harness.frame; }
    FrameHarness harness;
    Workspace& ws;
};

}  // namespace

TEST(StartUp, WithoutFilesANewDocumentWithoutAnyQuestion) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(prompter.dialogsShown(), 0);
    EXPECT_EQ(s.ws.doc().dataFilePath, dir.file("Zetrova.dat"));
    EXPECT_EQ(s.frame().windowTitle(), "情報管理ツール Zetrova " + dir.file("Zetrova.dat"));
    EXPECT_EQ(TopLabels(s.frame().groupTree()), QStringList{"root"});
    EXPECT_EQ(s.frame().groupTree()->topLevelItem(0)->childIndicatorPolicy(),
              QTreeWidgetItem::DontShowIndicatorWhenChildless);
    EXPECT_FALSE(s.ws.doc().modified);
    EXPECT_EQ(s.ws.currentGroupItem(), nullptr);
    EXPECT_FALSE(s.frame().menuAction(CommandId::GroupFindNext)->isEnabled());
}

TEST(StartUp, DataFileAsksForTheKeyAndFillsTheTree) {
    TempDir dir;
    const QString data = dir.file("mine.dat");
    ASSERT_TRUE(WriteDataFile(data, kNested, "pw"));
    WriteIni(dir, data, "pw");
    ScriptedPrompter prompter;
    AnswerKey(prompter, "wrong");
    AnswerKey(prompter, "pw");
    Started s(dir);
    EXPECT_EQ(prompter.texts(), QStringList{"キーが違います"});
    EXPECT_EQ(s.ws.doc().dataFilePath, data);
    EXPECT_EQ(s.frame().windowTitle(), "情報管理ツール Zetrova " + data);
    const GroupTreeWidget* tree = s.frame().groupTree();
    ASSERT_EQ(TopLabels(tree), QStringList{"root"});
    QTreeWidgetItem* root = tree->topLevelItem(0);
    EXPECT_TRUE(root->isExpanded());
    EXPECT_EQ(ChildLabels(root), (QStringList{"A", "B"}));
    EXPECT_FALSE(root->child(0)->isExpanded());
    EXPECT_EQ(ChildLabels(root->child(0)), QStringList{"C"});
    EXPECT_EQ(root->child(1)->childIndicatorPolicy(),
              QTreeWidgetItem::DontShowIndicatorWhenChildless);
    // No group is current after start-up and the list is empty.
    EXPECT_EQ(s.ws.currentGroupItem(), nullptr);
    EXPECT_EQ(s.frame().itemList()->rowCount(), 0);
}

TEST(StartUp, CancelledKeyStartsANewDocumentAtTheDefaultPath) {
    TempDir dir;
    const QString data = dir.file("mine.dat");
    ASSERT_TRUE(WriteDataFile(data, kNested, "pw"));
    WriteIni(dir, data, "pw");
    const QByteArray before = dir.read("mine.dat");
    ScriptedPrompter prompter;
    AnswerKey(prompter, "");
    prompter.cancelDialog();
    Started s(dir);
    EXPECT_EQ(prompter.texts(), QStringList{"キーを入力してください"});
    EXPECT_EQ(s.ws.doc().dataFilePath, dir.file("Zetrova.dat"));
    EXPECT_EQ(TopLabels(s.frame().groupTree()), QStringList{"root"});
    EXPECT_EQ(s.ws.doc().root.firstChild(), XmlNode());
    EXPECT_EQ(dir.read("mine.dat"), before);
}

// A settings file the program cannot read stops it before the window opens, where its defaults
// would stand for another data file and no key; a KEY it cannot put right is reported.
TEST(StartUp, SettingsThatCannotBeReadOrRepairedAreReported) {
    TempDir dir;
    const QString ini = dir.file("Zetrova.ini");
    ScriptedPrompter prompter;
    EXPECT_TRUE(StartupSettingsReadable(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).mkdir("Zetrova.ini"));
    EXPECT_FALSE(StartupSettingsReadable(dir.path()));
    ASSERT_TRUE(QDir(dir.path()).rmdir("Zetrova.ini"));
    // The data file under a key the settings file does not name, which cannot be rewritten.
    ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kNested, "new"));
    const QByteArray undecodable =
        "[CONFIG]\r\nKEY=" + MakeKeyVerifier("old").toLatin1() + "\r\nX=\x81";
    dir.write("Zetrova.ini", undecodable);
    AnswerKey(prompter, "new");
    Started s(dir);
    EXPECT_EQ(s.ws.doc().keyVerifier, MakeKeyVerifier("new"));
    EXPECT_EQ(prompter.texts(),
              QStringList({"設定ファイル" + ini + "を読み込めませんでした（フォルダーです）",
                           "設定ファイル" + ini + "のKEYを更新できませんでした"}));
    EXPECT_EQ(dir.read("Zetrova.ini"), undecodable);
}

// A settings file inside a folder a synchronisation tool copies is named at start, with the tool's
// marker: its KEY opens the data file.
TEST(StartUp, ASettingsFileInASynchronisedFolderIsNamed) {
    TempDir dir;
    dir.write(".stfolder", "");
    dir.write("Zetrova.ini", "[CONFIG]\n");
    ScriptedPrompter prompter;
    Started s(dir);
    EXPECT_EQ(prompter.texts(),
              QStringList{FormatText(kSettingsInSyncedFolder,
                                     {dir.file("Zetrova.ini"), dir.file(".stfolder")})});
}

TEST(Tree, OnlyAClickMakesAGroupCurrentAndFillsTheList) {
    TempDir dir;
    ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kNested, "pw"));
    WriteIni(dir, QString(), "pw");
    ScriptedPrompter prompter;
    AnswerKey(prompter, "pw");
    Started s(dir);
    GroupTreeWidget* tree = s.frame().groupTree();
    QTreeWidgetItem* a = tree->topLevelItem(0)->child(0);
    emit tree->clickedAt(a);
    EXPECT_EQ(s.ws.currentGroupItem(), a);
    const CZetrovaView* list = s.frame().itemList();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->cellText(0, 0), "user");
    EXPECT_EQ(list->cellText(0, 1), "alice");
    EXPECT_EQ(list->rowImage(0), CZetrovaView::kPlainImage);
    EXPECT_EQ(list->cellText(1, 1), "*****");
    EXPECT_EQ(list->rowImage(1), CZetrovaView::kSecretImage);
    EXPECT_EQ(list->selectedRow(), -1);

    // The keyboard moves the tree's selection, not the current group.
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(s.ws.currentGroupItem(), a);
    EXPECT_EQ(list->rowCount(), 2);
    // A click on empty space: no group, empty list, no message.
    emit tree->clickedAt(nullptr);
    EXPECT_EQ(s.ws.currentGroupItem(), nullptr);
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Tree, ReturnEnterOrSpaceOnTheHighlightedGroupMakesItCurrentAsAClick) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    LoadDocument(s.ws,
                 "<group name=\"root\"><group name=\"A\"><item name=\"user\">alice</item>"
                 "</group><group name=\"B\"/></group>");
    GroupTreeWidget* tree = s.frame().groupTree();
    s.frame().show();
    tree->setFocus();
    tree->setCurrentItem(tree->topLevelItem(0));
    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* current;  // label of the current group afterwards, "" for none
        int rows;
    };
    const Step steps[] = {
        {Qt::Key_Down, Qt::NoModifier, "", 0},  // the arrows only move the highlight
        {Qt::Key_Return, Qt::NoModifier, "A", 1},      {Qt::Key_Down, Qt::NoModifier, "A", 1},
        {Qt::Key_Space, Qt::NoModifier, "B", 0},       {Qt::Key_Up, Qt::NoModifier, "B", 0},
        {Qt::Key_Enter, Qt::KeypadModifier, "A", 1},   {Qt::Key_Down, Qt::NoModifier, "A", 1},
        {Qt::Key_Return, Qt::ControlModifier, "A", 1},  // not a plain Return
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
        QTest::keyClick(tree, step.key, step.modifiers);
        QTreeWidgetItem* current = s.ws.currentGroupItem();
        EXPECT_EQ(current ? current->text(0) : QString(), QString::fromUtf8(step.current));
        EXPECT_EQ(s.frame().itemList()->rowCount(), step.rows);
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(SaveAndLoad, RoundTripThroughTheDataFile) {
    TempDir dir;
    WriteIni(dir, QString(), "pw");
    {
        ScriptedPrompter prompter;
        Started s(dir);
        XmlNode group = s.ws.doc().document.createElement(u"group");
        group.setAttribute(u"name", QStringLiteral("銀行 'main' 100%"));
        XmlNode item = s.ws.doc().document.createElement(u"secret");
        item.setAttribute(u"name", QStringLiteral("暗証"));
        item.setText(QStringLiteral("  "));
        group.appendChild(item);
        s.ws.doc().root.appendChild(group);
        s.ws.doc().modified = true;
        AnswerKey(prompter, "pw");
        s.frame().dispatchCommand(CommandId::FileSave);
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
        EXPECT_FALSE(s.ws.doc().modified);
    }
    ScriptedPrompter prompter;
    AnswerKey(prompter, "pw");
    Started again(dir);
    QTreeWidgetItem* root = again.frame().groupTree()->topLevelItem(0);
    ASSERT_EQ(ChildLabels(root), QStringList{"銀行 'main' 100%"});
    emit again.frame().groupTree()->clickedAt(root->child(0));
    EXPECT_EQ(again.frame().itemList()->cellText(0, 0), "暗証");
    EXPECT_EQ(again.ws.doc().root.firstChild().firstChild().text(), "  ");
}

TEST(SaveAndLoad, FailedSaveKeepsTheModifiedFlag) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    s.ws.doc().modified = true;
    // No key has been set yet.
    s.frame().dispatchCommand(CommandId::FileSave);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"暗号化キーが設定されていません", "保存できませんでした"}));
    EXPECT_TRUE(s.ws.doc().modified);
    EXPECT_FALSE(QFile::exists(dir.file("Zetrova.dat")));

    prompter.clearMessages();
    s.ws.doc().keyVerifier = MakeKeyVerifier("pw");
    prompter.cancelDialog();
    s.frame().dispatchCommand(CommandId::FileSave);
    EXPECT_EQ(prompter.texts(), (QStringList{"暗号キーが違います", "保存できませんでした"}));
    EXPECT_TRUE(s.ws.doc().modified);
}

TEST(NewDocument, SavesChangesFirstThenSwitchesToTheDefaultFile) {
    TempDir dir;
    const QString data = dir.file("other.dat");
    ASSERT_TRUE(WriteDataFile(data, kNested, "pw"));
    WriteIni(dir, data, "pw");
    ScriptedPrompter prompter;
    AnswerKey(prompter, "pw");
    Started s(dir);
    s.ws.doc().root.firstChild().setAttribute(u"name", QStringLiteral("A2"));
    s.ws.doc().modified = true;
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileNew);
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(s.ws.doc().dataFilePath, dir.file("Zetrova.dat"));
    EXPECT_EQ(s.frame().windowTitle(), "情報管理ツール Zetrova " + dir.file("Zetrova.dat"));
    EXPECT_FALSE(s.ws.doc().modified);
    EXPECT_EQ(TopLabels(s.frame().groupTree()), QStringList{"root"});
    EXPECT_EQ(s.frame().groupTree()->topLevelItem(0)->childCount(), 0);

    // The changes went to the file that was open.
    DocumentState check;
    check.keyVerifier = MakeKeyVerifier("pw");
    AnswerKey(prompter, "pw");
    ASSERT_TRUE(LoadDataFile(check, data, [&](QString& v) { return s.ws.AskKey(v); }));
    EXPECT_EQ(check.root.firstChild().attribute(u"name"), QStringLiteral("A2"));
}

TEST(NewDocument, KeepsTheDocumentWhenTheSaveFails) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    XmlNode g = s.ws.doc().document.createElement(u"group");
    g.setAttribute(u"name", QStringLiteral("unsaved"));
    s.ws.doc().root.appendChild(g);
    s.ws.doc().modified = true;
    s.frame().dispatchCommand(CommandId::FileNew);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"暗号化キーが設定されていません", "保存できませんでした"}));
    EXPECT_TRUE(s.ws.doc().modified);
    EXPECT_EQ(s.ws.doc().root.firstChild(), g);
}

TEST(Open, CancelledAtEachStepChangesNothing) {
    // Each way Open ends without a load. After Yes to the save question, a save not made (its
    // dialog cancelled, the key refused, the file not written) ends Open before its own dialog:
    // the user asked to save, so no other file replaces the changes. A save made goes on.
    const QString question = QStringLiteral("データが変更されています。保存しますか？");
    struct Case {
        const char* name;
        std::function<void(ScriptedPrompter&, const TempDir&)> script;
        QStringList texts;  // every message shown
        int fileDialogs;    // Save As and file-open dialogs shown
        bool loads;         // other.dat replaced the document
    };
    const QList<Case> cases = {
        {"No, the file-open dialog cancelled",
         [](ScriptedPrompter& p, const TempDir&) {
             p.answerNo();
             p.answerOpenFile(std::nullopt);
         },
         {question},
         1,
         false},
        {"No, the key dialog cancelled",
         [](ScriptedPrompter& p, const TempDir& dir) {
             p.answerNo();
             p.answerOpenFile(dir.file("other.dat"));
             p.cancelDialog();
         },
         {question},
         1,
         false},
        {"Yes, the Save As dialog cancelled",
         [](ScriptedPrompter& p, const TempDir&) {
             p.answerYes();
             p.answerSaveFile(std::nullopt);
         },
         {question},
         1,
         false},
        {"Yes, the key for the copy cancelled",
         [](ScriptedPrompter& p, const TempDir& dir) {
             p.answerYes();
             p.answerSaveFile(dir.file("copy.dat"));
             p.cancelDialog();
         },
         {question, "暗号キーが違います"},
         1,
         false},
        {"Yes, the copy not written",
         [](ScriptedPrompter& p, const TempDir& dir) {
             p.answerYes();
             p.answerSaveFile(dir.file("missing/copy.dat"));
             AnswerKey(p, "pw");
         },
         {question, "書き込めませんでした"},
         1,
         false},
        {"Yes, the copy written: Open goes on",
         [](ScriptedPrompter& p, const TempDir& dir) {
             p.answerYes();
             p.answerSaveFile(dir.file("copy.dat"));
             AnswerKey(p, "pw");
             p.answerOpenFile(dir.file("other.dat"));
             AnswerKey(p, "pw");
         },
         {question},
         2,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteIni(dir, QString(), "pw");
        const QString other = dir.file("other.dat");
        ASSERT_TRUE(WriteDataFile(other, kNested, "pw"));
        const QString data = dir.file("Zetrova.dat");
        ScriptedPrompter prompter;
        Started s(dir);
        Edit(s.ws.doc());
        s.ws.SetCurrentGroup(s.frame().groupTree()->topLevelItem(0));
        const XmlNode root = s.ws.doc().root;
        const QString title = s.frame().windowTitle();
        c.script(prompter, dir);
        s.frame().dispatchCommand(CommandId::FileOpen);
        EXPECT_TRUE(prompter.exhausted());
        EXPECT_EQ(prompter.texts(), c.texts);
        EXPECT_EQ(prompter.fileRequests().size(), c.fileDialogs);
        for (const FileDialogRequest& request : prompter.fileRequests()) {
            EXPECT_EQ(request.defaultExtension, "dat");
            EXPECT_EQ(request.initialName, data);
        }
        EXPECT_FALSE(QFile::exists(data));
        if (c.loads) {
            EXPECT_TRUE(OpensEdited(dir.file("copy.dat"), "pw"));
            EXPECT_EQ(s.ws.doc().dataFilePath, other);
            EXPECT_FALSE(s.ws.doc().modified);
            EXPECT_FALSE(HasEditedGroup(s.ws.doc()));
            continue;
        }
        EXPECT_FALSE(QFile::exists(dir.file("copy.dat")));
        EXPECT_EQ(s.ws.doc().root, root);
        EXPECT_TRUE(HasEditedGroup(s.ws.doc()));
        EXPECT_TRUE(s.ws.doc().modified);
        EXPECT_EQ(s.ws.doc().dataFilePath, data);
        EXPECT_EQ(s.frame().windowTitle(), title);
        EXPECT_EQ(s.ws.currentGroupItem(), s.frame().groupTree()->topLevelItem(0));
        EXPECT_EQ(TopLabels(s.frame().groupTree()), QStringList{"root"});
    }
}

TEST(Open, LoadsTheChosenFileAndResetsTheViews) {
    TempDir dir;
    WriteIni(dir, QString(), "pw");
    const QString other = dir.file("other.dat");
    ASSERT_TRUE(WriteDataFile(other, kNested, "pw"));
    ScriptedPrompter prompter;
    Started s(dir);
    s.ws.SetCurrentGroup(s.frame().groupTree()->topLevelItem(0));
    prompter.answerOpenFile(other);
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileOpen);
    EXPECT_EQ(s.ws.doc().dataFilePath, other);
    EXPECT_EQ(s.frame().windowTitle(), "情報管理ツール Zetrova " + other);
    EXPECT_EQ(ChildLabels(s.frame().groupTree()->topLevelItem(0)), (QStringList{"A", "B"}));
    EXPECT_EQ(s.ws.currentGroupItem(), nullptr);
    EXPECT_FALSE(s.ws.doc().modified);
}

TEST(SaveAs, WritesACopyAndLeavesPathAndFlag) {
    TempDir dir;
    WriteIni(dir, QString(), "pw");
    ScriptedPrompter prompter;
    Started s(dir);
    s.ws.doc().modified = true;
    prompter.answerSaveFile(dir.file("copy.dat"));
    AnswerKey(prompter, "pw");
    s.frame().dispatchCommand(CommandId::FileSaveAs);
    EXPECT_TRUE(QFile::exists(dir.file("copy.dat")));
    EXPECT_FALSE(QFile::exists(dir.file("Zetrova.dat")));
    EXPECT_EQ(s.ws.doc().dataFilePath, dir.file("Zetrova.dat"));
    EXPECT_TRUE(s.ws.doc().modified);
}

TEST(CloseAndExit, AskAboutUnsavedChanges) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    s.frame().show();
    s.ws.doc().modified = true;
    prompter.answerNo();
    s.frame().dispatchCommand(CommandId::FileClose);
    EXPECT_FALSE(s.frame().isVisible());
    EXPECT_TRUE(s.ws.doc().modified);
    EXPECT_EQ(prompter.messages().back().caption, "確認");
    EXPECT_EQ(prompter.messages().back().text, "データが変更されています。保存しますか？");

    // Yes, then the Save As dialog cancelled: nothing was saved, so the program goes on; No then
    // ends it without saving, as the user chose.
    prompter.answerYes();
    prompter.answerSaveFile(std::nullopt);
    s.frame().dispatchCommand(CommandId::Exit);
    EXPECT_TRUE(s.harness.quitCodes.empty());
    EXPECT_TRUE(s.ws.doc().modified);
    prompter.answerNo();
    s.frame().dispatchCommand(CommandId::Exit);
    EXPECT_EQ(s.harness.quitCodes, std::vector<int>{1});
    EXPECT_FALSE(QFile::exists(dir.file("Zetrova.dat")));
}

TEST(SettingsCommand, NewKeyRewritesTheDataFileAndTheSettings) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    prompter.answerDialog<CConfigDlg>([&](CConfigDlg& d) {
        EXPECT_EQ(d.dataFileName, dir.file("Zetrova.dat"));
        EXPECT_TRUE(d.key.isEmpty());
        d.dataFileName = dir.file("new.dat");
        d.key = QStringLiteral("abc!~");
        d.startMinimised = true;
        return 1;
    });
    s.frame().dispatchCommand(CommandId::Settings);
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
    EXPECT_EQ(s.ws.doc().keyVerifier, MakeKeyVerifier("abc!~"));
    EXPECT_EQ(s.ws.doc().dataFilePath, dir.file("new.dat"));
    EXPECT_TRUE(s.frame().startMinimised());
    EXPECT_EQ(s.frame().windowTitle(), "情報管理ツール Zetrova " + dir.file("new.dat"));
    HeldSettings held;
    ReadSettings(dir.path(), held);
    EXPECT_EQ(held.keyVerifier, MakeKeyVerifier("abc!~"));
    EXPECT_EQ(held.dataFilePath, dir.file("new.dat"));
    EXPECT_TRUE(held.startMinimised);
    // The new data file opens with the new key only.
    DocumentState check;
    check.keyVerifier = held.keyVerifier;
    AnswerKey(prompter, "abc!~");
    EXPECT_TRUE(LoadDataFile(check, held.dataFilePath, [&](QString& v) { return s.ws.AskKey(v); }));
}

TEST(SettingsCommand, EmptyNameAndEmptyKeyAreRefused) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    prompter.answerDialog<CConfigDlg>([](CConfigDlg& d) {
        d.dataFileName.clear();
        d.key = "x";
        return 1;
    });
    prompter.answerDialog<CConfigDlg>([](CConfigDlg& d) {
        // The name stays as entered; the key has to be typed again.
        EXPECT_TRUE(d.dataFileName.isEmpty());
        EXPECT_TRUE(d.key.isEmpty());
        d.dataFileName = "z.dat";
        return 1;
    });
    s.frame().dispatchCommand(CommandId::Settings);
    EXPECT_EQ(prompter.texts(), (QStringList{"データファイル名を入力してください。",
                                             "暗号化キーが設定されていません"}));
    EXPECT_FALSE(QFile::exists(dir.file("Zetrova.ini")));
    EXPECT_TRUE(s.ws.doc().keyVerifier.isEmpty());
}

// A settings change whose second write, the settings file's, fails (as a crash between the two
// writes leaves it): the program goes on under the new key, and every later start opens the data
// file with the key it is under and puts the settings file's KEY right, keeping its other lines.
TEST(SettingsCommand, ADataFileWrittenWithoutItsSettingsFileStillOpens) {
    const auto ini = [](const TempDir& dir, const char* key) {
        return "; mine\r\n[CONFIG]\r\nDATA=" + dir.file("Zetrova.dat").toUtf8() +
               "\r\nKEY=" + MakeKeyVerifier(key).toLatin1() + "\r\nONTASKBAR=1\r\n";
    };
    struct Case {
        const char* name;
        bool settingsFileBefore;
        QString newName;                // the data file named in the dialog
        QStringList keysAtRestart;      // typed at each later start, in turn
        QList<bool> opensEdited;        // whether each start opened the edited document
        const char* keyInSettingsFile;  // afterwards; nullptr: a new file holding only KEY
    };
    const QList<Case> cases = {
        // The old key opens nothing ("データを解釈できませんでした"), the new one the document.
        {"new key, same data file",
         true,
         "Zetrova.dat",
         {"old", "new", "new"},
         {false, true, true},
         "new"},
        {"first key ever", false, "Zetrova.dat", {"new", "new"}, {true, true}, nullptr},
        // The settings file still names the old file, which opens with the old key.
        {"new key and a new data file", true, "new.dat", {"old"}, {false}, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), kNested, "old"));
        if (c.settingsFileBefore) dir.write("Zetrova.ini", ini(dir, "old"));
        {
            ScriptedPrompter prompter;
            // Without a settings file no key opens the data file: a new document in its place.
            if (c.settingsFileBefore)
                AnswerKey(prompter, "old");
            else
                prompter.cancelDialog();
            Started s(dir);
            Edit(s.ws.doc());
            prompter.answerDialog<CConfigDlg>([&](CConfigDlg& d) {
                d.dataFileName = dir.file(c.newName);
                d.key = "new";
                return 1;
            });
            if (!c.settingsFileBefore) prompter.answerYes();  // replace the file never loaded
            bool startMinimised = false;
            SettingsCommand(s.ws, dir.path(), startMinimised,
                            [](const QString&, const QString&, const QString&, bool,
                               SafeWriteResult*) { return false; });
            EXPECT_EQ(prompter.texts().last(), "書き込めませんでした");
            EXPECT_EQ(s.ws.doc().dataFilePath, dir.file(c.newName));
            // A later save goes to that file under the new key, without a question.
            AnswerKey(prompter, "new");
            prompter.clearMessages();
            s.frame().dispatchCommand(CommandId::FileSave);
            EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.texts().join(",").toStdString();
            EXPECT_TRUE(prompter.exhausted());
        }
        for (qsizetype i = 0; i < c.keysAtRestart.size(); ++i) {
            ScriptedPrompter prompter;
            AnswerKey(prompter, c.keysAtRestart[i]);
            Started s(dir);
            EXPECT_EQ(HasEditedGroup(s.ws.doc()), c.opensEdited[i]) << i;
        }
        EXPECT_EQ(dir.read("Zetrova.ini"),
                  c.keyInSettingsFile
                      ? ini(dir, c.keyInSettingsFile)
                      : "[CONFIG]\nKEY=" + MakeKeyVerifier("new").toLatin1() + "\n");
        EXPECT_TRUE(OpensEdited(dir.file(c.newName), "new"));
    }
}

// The data file is replaced only when it holds nothing or what the program last loaded or wrote;
// otherwise a question naming it decides: default No for a file never loaded, and for a changed
// one 結合 (the default), 上書き or キャンセル. No and キャンセル keep the file and the changes.
TEST(DiskChange, ADataFileNotAsLastLoadedOrWrittenIsReplacedOnlyAfterTheQuestion) {
    const QString changed = QStringLiteral(
        "は読み込みまたは保存の後にほかで変更されています。上書きすると、ほかでの変更"
        "は失われます。結合して両方の変更を残しますか？");
    const QString notLoaded =
        QStringLiteral("には読み込んでいないデータがあります。上書きしますか？");
    struct Case {
        const char* name;
        bool keyCancelledAtStart;  // a failed load: a new document at the data file's path
        std::function<void(const TempDir&)> onDisk;  // what happens to the data file meanwhile
        int command;
        QString question;  // after the path; empty: none
    };
    const auto otherWriter = [](const TempDir& dir) {
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"),
                                  "<group name=\"root\"><group name=\"x\"/></group>", "pw"));
    };
    const auto sameBytesAgain = [](const TempDir& dir) {
        dir.write("Zetrova.dat", dir.read("Zetrova.dat"));
        const utimbuf longAgo{1000000000, 1000000000};
        ::utime(QFile::encodeName(dir.file("Zetrova.dat")).constData(), &longAgo);
    };
    const auto vanish = [](const TempDir& dir) { QFile::remove(dir.file("Zetrova.dat")); };
    const auto nothing = [](const TempDir&) {};
    using namespace CommandId;
    const QList<Case> cases = {
        {"changed by another program", false, otherWriter, FileSave, changed},
        {"the same bytes written again", false, sameBytesAgain, FileSave, {}},
        {"vanished", false, vanish, FileSave, {}},
        {"never loaded", true, nothing, FileSave, notLoaded},
        {"changed, Yes to the question on close", false, otherWriter, FileClose, changed},
        {"changed, New saves first", false, otherWriter, FileNew, changed},
        {"never loaded, settings command", true, nothing, Settings, notLoaded},
    };
    for (const Case& c : cases) {
        for (const int answer : {kAnswerNo, kAnswerYes}) {
            const bool asked = !c.question.isEmpty();
            if (!asked && answer == kAnswerNo) continue;
            SCOPED_TRACE(std::string(c.name) + (answer == kAnswerYes ? ", Yes" : ", No"));
            TempDir dir;
            const QString data = dir.file("Zetrova.dat");
            ASSERT_TRUE(WriteDataFile(data, kNested, "pw"));
            WriteIni(dir, data, "pw");
            ScriptedPrompter prompter;
            if (c.keyCancelledAtStart)
                prompter.cancelDialog();
            else
                AnswerKey(prompter, "pw");
            Started s(dir);
            Edit(s.ws.doc());
            c.onDisk(dir);
            const QByteArray dataBefore = dir.read("Zetrova.dat");
            const QByteArray iniBefore = dir.read("Zetrova.ini");

            const bool write = !asked || answer == kAnswerYes;
            if (c.command == FileClose) {
                prompter.answerYes();  // the save question; Save As to the data file
                prompter.answerSaveFile(data);
            }
            if (c.command == Settings) {
                prompter.answerDialog<CConfigDlg>([](CConfigDlg& d) {
                    d.key = "pw";
                    return 1;
                });
            }
            const bool choice = c.question == changed;
            if (asked && choice)
                prompter.answerChoice(answer == kAnswerYes ? "上書き" : "キャンセル");
            if (asked && !choice) prompter.answerQuestion(answer);
            if (write && c.command != Settings) AnswerKey(prompter, "pw");
            s.frame().dispatchCommand(c.command);
            EXPECT_TRUE(prompter.exhausted());
            QStringList overwriteQuestions;
            for (const ScriptedPrompter::Message& m : prompter.messages()) {
                if (m.defaultNo) overwriteQuestions << m.caption + u':' + m.text;
                if (!m.buttons.isEmpty()) {
                    overwriteQuestions << m.caption + u':' + m.text;
                    EXPECT_EQ(m.buttons, (QStringList{"結合", "上書き", "キャンセル"}));
                    EXPECT_EQ(m.defaultButton, 0);
                }
            }
            EXPECT_EQ(overwriteQuestions,
                      asked ? QStringList{"確認:" + data + c.question} : QStringList());
            if (!write) {
                EXPECT_EQ(dir.read("Zetrova.dat"), dataBefore);
                EXPECT_EQ(dir.read("Zetrova.ini"), iniBefore);
                EXPECT_TRUE(s.ws.doc().modified);
                continue;
            }
            EXPECT_TRUE(OpensEdited(data, "pw"));
            // What the program wrote last it replaces without a question; after New the file
            // holds what the new document never loaded.
            prompter.clearMessages();
            if (c.command == FileNew)
                prompter.answerNo();
            else
                AnswerKey(prompter, "pw");
            s.frame().dispatchCommand(FileSave);
            EXPECT_TRUE(prompter.exhausted());
            EXPECT_EQ(prompter.texts(),
                      c.command == FileNew ? QStringList{data + notLoaded} : QStringList());
        }
    }
}

TEST(Commands, AnEngineFailureEndsOnlyThatCommand) {
    TempDir dir;
    ScriptedPrompter prompter;
    Started s(dir);
    s.frame().commands().set(
        99999, [](QObject*) { throw XmlError(XmlError::kFail, QStringLiteral("boom")); });
    s.frame().dispatchCommand(99999);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, "エラー");
    EXPECT_EQ(prompter.messages()[0].text, "エラーが起きました");
    s.frame().dispatchCommand(CommandId::ToggleGroupPane);
    EXPECT_FALSE(s.frame().groupPaneShown());
}

// Every save path holds the data file's writers' lock only while it checks and writes (and 設定 its
// settings file): held elsewhere, it waits and writes nothing; free while a dialog or question
// waits.
TEST(WritersLock, EverySavePathTakesItOnlyWhileItChecksAndWrites) {
    qputenv("ZETROVA_TEST_LOCK_WAIT_MS", "200");
    using namespace CommandId;
    // 保存, 保存 merging a file changed elsewhere (結合), 閉じる (はい: 別名で保存), 新規作成,
    // 設定.
    for (const auto& [command, merged] : std::vector<std::pair<int, bool>>{{FileSave, false},
                                                                           {FileSave, true},
                                                                           {FileClose, false},
                                                                           {FileNew, false},
                                                                           {Settings, false}}) {
        for (const bool held : {true, false}) {
            SCOPED_TRACE(testing::Message() << command << merged << held);
            TempDir dir, runtime;
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
            const QString data = dir.file("Zetrova.dat");
            ASSERT_TRUE(WriteDataFile(data, kNested, "pw"));
            WriteIni(dir, data, "pw");
            ScriptedPrompter prompter;
            AnswerKey(prompter, "pw");
            Started s(dir);
            Edit(s.ws.doc());
            AnswerKey(prompter, "pw");
            s.frame().dispatchCommand(FileSave);  // makes the one lock file
            // "other" holds it as another process would: through an open file of its own.
            const QDir locks(runtime.path() + "/zetrova/locks");
            const int other = ::open(QFile::encodeName(locks.filePath(locks.entryList().last())),
                                     O_RDWR | O_CLOEXEC);
            const auto take = [other] { return ::flock(other, LOCK_EX | LOCK_NB) == 0; };
            const auto isFree = [&] { return take() && ::flock(other, LOCK_UN) == 0; };
            Edit(s.ws.doc());
            ASSERT_TRUE(!merged || WriteDataFile(data, "<group name=\"root\"/>", "pw"));
            const QByteArray before = dir.read("Zetrova.dat") + dir.read("Zetrova.ini");
            ASSERT_TRUE(held ? take() : isFree());
            const auto waiting = [&] { EXPECT_TRUE(held || isFree()); };
            if (command == FileClose) prompter.answerYes();  // then 別名で保存 onto the data file
            if (command == FileClose) prompter.answerSaveFile(data);
            if (merged) prompter.answerChoice("結合", waiting);
            prompter.answerDialog<QDialog>([&](QDialog& d) {  // the key, or the settings
                waiting();
                if (auto* key = dynamic_cast<CInKeyDlg*>(&d)) key->key = "pw";
                if (auto* settings = dynamic_cast<CConfigDlg*>(&d)) settings->key = "pw";
                return 1;
            });
            bool minimised = false;
            if (command == Settings)
                SettingsCommand(s.ws, dir.path(), minimised, [&](const auto&... args) {
                    EXPECT_FALSE(isFree());
                    return WriteSettingsFile(args...);
                });
            else
                s.frame().dispatchCommand(command);
            const QString busy =
                data + "はほかのプログラムが書き込み中のため、書き込みませんでした";
            EXPECT_EQ(prompter.texts().contains(busy), held);
            EXPECT_TRUE(held ? dir.read("Zetrova.dat") + dir.read("Zetrova.ini") == before
                             : OpensEdited(data, "pw"));
            ::close(other);
        }
    }
    qunsetenv("XDG_RUNTIME_DIR");
    qunsetenv("ZETROVA_TEST_LOCK_WAIT_MS");
}
