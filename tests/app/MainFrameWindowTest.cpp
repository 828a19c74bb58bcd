#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "app/AppTestSupport.h"
#include "app/CAboutDlg.h"
#include "app/GroupPane.h"
#include "app/ProportionalSplitter.h"
#include "items/ui/CZetrovaView.h"
#include "model/ui/GroupTreeWidget.h"
#include "storage/KeyVerifier.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

namespace {

double LeftShare(const ProportionalSplitter& s) {
    const QList<int> sizes = s.sizes();
    return static_cast<double>(sizes[0]) / (sizes[0] + sizes[1]);
}

}  // namespace

TEST(MainFrame, LayoutOfTheControls) {
    ScriptedPrompter prompter;
    FrameHarness h;
    CMainFrame& f = *h.frame;
    // Without a settings file the caption names the default data file of the start directory.
    EXPECT_EQ(f.windowTitle(), QStringLiteral("情報管理ツール Zetrova /nonexistent/Zetrova.dat"));
    EXPECT_EQ(f.statusText(), QStringLiteral("Ready"));
    EXPECT_EQ(f.groupPane()->title(), QStringLiteral("グループ"));
    EXPECT_EQ(f.groupPane()->client(), f.groupTree());
    EXPECT_TRUE(f.groupTree()->isHeaderHidden());
    EXPECT_TRUE(f.groupTree()->rootIsDecorated());

    CZetrovaView& list = *f.itemList();
    EXPECT_EQ(list.headerItem()->text(0), QStringLiteral("項目"));
    EXPECT_EQ(list.headerItem()->text(1), QStringLiteral("値"));
    EXPECT_EQ(list.columnWidth(0), 150);
    EXPECT_EQ(list.columnWidth(1), 400);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.iconSize(), QSize(16, 16));

    f.resize(800, 500);
    f.show();
    QCoreApplication::processEvents();
    EXPECT_NEAR(LeftShare(*f.splitter()), 0.25, 0.01);
    f.resize(1200, 500);
    QCoreApplication::processEvents();
    EXPECT_NEAR(LeftShare(*f.splitter()), 0.25, 0.01);
    f.setCaptionPath(QStringLiteral("/home/a/Zetrova.dat"));
    EXPECT_EQ(f.windowTitle(), QStringLiteral("情報管理ツール Zetrova /home/a/Zetrova.dat"));
}

TEST(MainFrame, GroupPaneToggleAndCloseButtonKeepTheCheckMark) {
    ScriptedPrompter prompter;
    FrameHarness h;
    CMainFrame& f = *h.frame;
    QAction* toggle = f.menuAction(40000);
    EXPECT_TRUE(f.groupPaneShown());
    EXPECT_TRUE(toggle->isChecked());

    f.dispatchCommand(40000);
    EXPECT_FALSE(f.groupPaneShown());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(f.itemList()->isHidden());
    toggle->trigger();  // the menu click: the same path
    EXPECT_TRUE(f.groupPaneShown());
    EXPECT_TRUE(toggle->isChecked());

    // The close command acts only when the group pane sent it.
    f.dispatchCommand(57682);
    EXPECT_TRUE(f.groupPaneShown());
    f.groupPane()->closeButton()->click();
    EXPECT_FALSE(f.groupPaneShown());
    EXPECT_FALSE(toggle->isChecked());
    f.dispatchCommand(40000);
    EXPECT_TRUE(f.groupPaneShown());
    EXPECT_TRUE(toggle->isChecked());
}

TEST(MainFrame, CloseHidesAndNeverDestroys) {
    ScriptedPrompter prompter;
    FrameHarness h;
    CMainFrame& f = *h.frame;
    f.show();
    EXPECT_FALSE(f.close());
    EXPECT_FALSE(f.isVisible());
    f.dispatchCommand(32795);
    EXPECT_TRUE(f.isVisible());
    f.dispatchCommand(57602);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(h.quitCodes.empty());
    EXPECT_EQ(h.icon->removes, 0);
}

TEST(MainFrame, SaveQuestionBeforeHidingAndBeforeExit) {
    TempDir dir;
    ScriptedPrompter prompter;
    FrameHarness h;
    CMainFrame& f = *h.frame;
    Workspace& ws = f.workspace();
    ws.doc().modified = true;
    ws.doc().keyVerifier = MakeKeyVerifier("pw");
    f.show();
    prompter.answerNo();
    f.close();
    EXPECT_FALSE(f.isVisible());
    f.show();

    // Yes, then the Save As dialog cancelled: the user asked to save, so the program goes on,
    // window, icon and changes as they were.
    prompter.answerYes();
    prompter.answerSaveFile(std::nullopt);
    f.dispatchCommand(57665);
    EXPECT_TRUE(h.quitCodes.empty());
    EXPECT_EQ(h.icon->removes, 0);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.hasNotifyIcon());
    EXPECT_TRUE(ws.doc().modified);

    // Yes and a file: saved, then the program ends.
    prompter.answerYes();
    prompter.answerSaveFile(dir.file("copy.dat"));
    AnswerKey(prompter, "pw");
    f.dispatchCommand(57665);
    EXPECT_TRUE(QFile::exists(dir.file("copy.dat")));
    EXPECT_EQ(h.quitCodes, std::vector<int>({1}));
    EXPECT_EQ(h.icon->removes, 1);
    EXPECT_TRUE(prompter.exhausted());
    ASSERT_EQ(prompter.messages().size(), 3);
    for (const ScriptedPrompter::Message& m : prompter.messages()) {
        EXPECT_EQ(m.caption, QStringLiteral("確認"));
        EXPECT_EQ(m.icon, MessageIcon::Question);
        EXPECT_EQ(m.text, QStringLiteral("データが変更されています。保存しますか？"));
    }
}

TEST(MainFrame, ShowLeavesAMinimisedWindowMinimised) {
    ScriptedPrompter prompter;
    FrameHarness h;
    CMainFrame& f = *h.frame;
    f.showMinimized();
    f.dispatchCommand(32795);
    EXPECT_TRUE(f.isMinimized());
}

TEST(MainFrame, StartMinimisedStaysHiddenWithAnIcon) {
    ScriptedPrompter prompter;
    FrameHarness h;
    h.frame->setStartMinimised(true);
    h.frame->showAtStart();
    EXPECT_FALSE(h.frame->isVisible());
}

TEST(MainFrame, WithoutAnIconTheWindowIsMinimisedInsteadOfHidden) {
    ScriptedPrompter prompter;
    FrameHarness h(false);
    CMainFrame& f = *h.frame;
    EXPECT_FALSE(f.hasNotifyIcon());
    EXPECT_EQ(prompter.texts(),
              QStringList({QStringLiteral("通知領域にアイコンを登録できませんでした。")}));
    // The close request of the failed registration came before the window was shown.
    EXPECT_FALSE(f.isVisible());

    f.setStartMinimised(true);
    f.showAtStart();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isMinimized());
    f.showNormal();
    f.close();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.isMinimized());

    h.retries.runAll();
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST(MainFrame, HelpUsesTheStartDirectory) {
    TempDir dir;
    ScriptedPrompter prompter;
    FrameHarness h(true, dir.path());
    h.frame->dispatchCommand(57670);
    EXPECT_EQ(
        prompter.texts(),
        QStringList({QStringLiteral("ヘルプファイルが見つかりません (ERROR_PATH_NOT_FOUND)")}));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("help")));
    dir.write(QStringLiteral("help/index.html"), "<html></html>");
    h.frame->dispatchCommand(57670);
    EXPECT_EQ(prompter.openedDocuments(),
              QStringList({dir.file(QStringLiteral("help/index.html"))}));
}

TEST(MainFrame, AboutShowsTheVersion) {
    ScriptedPrompter prompter;
    FrameHarness h;
    QString title;
    QString text;
    prompter.answerDialog<CAboutDlg>([&](CAboutDlg& d) {
        title = d.windowTitle();
        text = d.findChild<QLabel*>(QStringLiteral("aboutText"))->text();
        return 1;
    });
    h.frame->dispatchCommand(57664);
    EXPECT_EQ(title, QStringLiteral("About"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Zetrova v1.05\n\n"))) << text.toStdString();
    EXPECT_EQ(text.count(u'\n'), 2);
}

TEST(MainFrame, RightClickInTheItemListCopiesRightClickInTheTreeDoesNot) {
    ScriptedPrompter prompter;
    FrameHarness h;
    QList<QObject*> senders;
    h.frame->commands().set(32790, [&](QObject* s) { senders.append(s); });
    h.frame->show();
    QContextMenuEvent onList(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(h.frame->itemList()->viewport(), &onList);
    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(h.frame->itemList()->viewport(), &byKey);
    QContextMenuEvent onTree(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(h.frame->groupTree()->viewport(), &onTree);
    EXPECT_EQ(senders, QList<QObject*>({h.frame->itemList()}));
}
