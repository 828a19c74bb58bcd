#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "app/HelpLauncher.h"
#include "app/QtPrompter.h"
#include "diag/MessageBoxes.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

void MakeHelpFile(const TempDir& dir) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
    dir.write(QStringLiteral("help/index.html"), "<html></html>");
}

}  // namespace

TEST(Help, MissingFolderAndMissingFileAreReportedApart) {
    TempDir dir;
    ScriptedPrompter prompter;
    EXPECT_EQ(OpenHelp(dir.path()), 3);
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
    EXPECT_EQ(OpenHelp(dir.path()), 2);

    ASSERT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(prompter.messages()[0].caption, QStringLiteral("通知"));
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(
        prompter.texts(),
        QStringList({QStringLiteral("ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)"),
                     QStringLiteral("ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)")}));
    EXPECT_TRUE(prompter.openedDocuments().isEmpty());
}

TEST(Help, ExistingFileIsOpenedThroughThePrompter) {
    TempDir dir;
    MakeHelpFile(dir);
    ScriptedPrompter prompter;
    EXPECT_EQ(OpenHelp(dir.path()), 0);
    EXPECT_EQ(prompter.openedDocuments(),
              QStringList({dir.path() + QStringLiteral("/help/index.html")}));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Help, RefusedOpenShowsTheCodeInHexadecimal) {
    TempDir dir;
    MakeHelpFile(dir);
    ScriptedPrompter prompter;
    prompter.answerOpenDocument(31);
    prompter.answerOpenDocument(26);
    prompter.answerOpenDocument(40);  // 32 and up counts as success
    EXPECT_EQ(OpenHelp(dir.path()), 31);
    EXPECT_EQ(OpenHelp(dir.path()), 26);
    EXPECT_EQ(OpenHelp(dir.path()), 0);
    EXPECT_EQ(prompter.texts(),
              QStringList({QStringLiteral("不明なエラーが発生しました (1F)"),
                           QStringLiteral("共有違反が発生しました (SE_ERR_SHARE)")}));
}

TEST(Help, SomethingThatIsNoReadableFileIsAccessDenied) {
    TempDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help/index.html")));
    ScriptedPrompter prompter;
    EXPECT_EQ(OpenHelp(dir.path()), 5);
    EXPECT_EQ(prompter.texts(),
              QStringList({QStringLiteral(
                  "ヘルプファイルへのアクセスが拒否されました (SE_ERR_ACCESSDENIED)")}));

    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the superuser";
    TempDir other;
    MakeHelpFile(other);
    QFile(other.file(QStringLiteral("help/index.html"))).setPermissions({});
    EXPECT_EQ(CheckDocumentReadable(other.file(QStringLiteral("help/index.html"))), 5);
}

TEST(Help, StartDirectoryFirstThenTheInstalledCopyElseTheStartDirectorysNotice) {
    enum Has { kNothing, kFolder, kFile };
    struct Case {
        Has start;
        bool installed;
        int code;
        bool opensInstalled;
    };
    const Case cases[] = {
        {kFile, true, 0, false},  {kFile, false, 0, false},    {kNothing, true, 0, true},
        {kFolder, true, 0, true}, {kNothing, false, 3, false}, {kFolder, false, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "start " << c.start << " installed " << c.installed);
        TempDir start;
        TempDir prefix;
        if (c.start == kFolder) {
            ASSERT_TRUE(QDir(start.path()).mkpath(QStringLiteral("help")));
        }
        if (c.start == kFile) MakeHelpFile(start);
        ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        const QString installed = InstalledHelpFilePath(prefix.file(QStringLiteral("bin")));
        EXPECT_EQ(installed, prefix.file(QStringLiteral("share/zetrova/help/index.html")));
        if (c.installed) {
            ASSERT_TRUE(QDir(prefix.path()).mkpath(QStringLiteral("share/zetrova/help")));
            prefix.write(QStringLiteral("share/zetrova/help/index.html"), "<html></html>");
        }
        ScriptedPrompter prompter;
        EXPECT_EQ(OpenHelp(start.path(), installed), c.code);
        if (c.code == 0) {
            EXPECT_EQ(prompter.openedDocuments(),
                      QStringList{c.opensInstalled ? installed : HelpFilePath(start.path())});
            EXPECT_TRUE(prompter.messages().isEmpty());
        } else {
            EXPECT_TRUE(prompter.openedDocuments().isEmpty());
            EXPECT_EQ(prompter.texts(), QStringList{QString::fromUtf16(HelpErrorFormat(c.code))});
        }
    }
}

TEST(QtPrompter, NameFiltersKeepTheDescriptionAndMatchEveryFileForStarDotStar) {
    EXPECT_EQ(QtNameFilter({QStringLiteral("DATファイル (*.dat)"), QStringLiteral("*.dat")}),
              QStringLiteral("DATファイル (*.dat) (*.dat)"));
    EXPECT_EQ(QtNameFilter({QStringLiteral("すべてのファイル (*.*)"), QStringLiteral("*.*")}),
              QStringLiteral("すべてのファイル (*.*) (*)"));
}

TEST(QtPrompter, EnterGivesTheQuestionsDefaultAnswer) {
    QtPrompter prompter;
    struct Case {
        bool defaultNo;
        int expected;
    };
    for (const Case c : {Case{false, kAnswerYes}, Case{true, kAnswerNo}}) {
        // Enter on the box once it is up.
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(qobject_cast<QMessageBox*>(box), nullptr);
            QTest::keyClick(box, Qt::Key_Return);
        });
        const QString text = QStringLiteral("%1を上書きしますか？").arg(c.defaultNo);
        const int answer =
            c.defaultNo
                ? prompter.questionDefaultNo(nullptr, QStringLiteral("確認"), text)
                : prompter.messageBox(nullptr, MessageIcon::Question, QStringLiteral("確認"), text);
        EXPECT_EQ(answer, c.expected) << c.defaultNo;
    }
}
