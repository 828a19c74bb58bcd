#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/AppTestSupport.h"
#include "model/ui/GroupTreeWidget.h"
#include "support/ScriptedPrompter.h"

namespace {

// "id text" per item, "-" per separator: the menus as the user sees them.
QStringList MenuItems(const QMenu& menu) {
    QStringList out;
    for (const QAction* a : menu.actions())
        out.append(a->isSeparator() ? QStringLiteral("-")
                                    : a->data().toString() + u' ' + a->text());
    return out;
}

}  // namespace

TEST(MainMenu, TitlesItemsAndIdsAreExact) {
    ScriptedPrompter prompter;
    FrameHarness h;
    QStringList titles;
    for (const QAction* a : h.frame->menuBar()->actions()) titles.append(a->text());
    EXPECT_EQ(titles, QStringList({"ファイル(&F)", "クリップボード(&S)", "項目(&I)", "グループ(G)",
                                   "設定(&C)", "表示(&V)", "ヘルプ(&H)"}));

    const QList<QMenu*>& menus = h.frame->dropDownMenus();
    ASSERT_EQ(menus.size(), 7);
    EXPECT_EQ(MenuItems(*menus[0]),
              QStringList({"57601 開く(&O)\tCtrl+O", "57600 新規作成(&N)", "57603 保存(&S)\tCtrl+S",
                           "57604 別名で保存(&A)", "32796 ロック(&L)\tCtrl+L", "-",
                           "32776 インポート(&I)\tCtrl+I", "32777 エクスポート(&E)\tCtrl+E",
                           "40001 以前の版(&V)...", "-", "57602 閉じる(&C)", "57665 終了(&X)"}));
    EXPECT_EQ(MenuItems(*menus[1]), QStringList({"32790 コピー(&C)\tCtrl+C"}));
    EXPECT_EQ(MenuItems(*menus[2]),
              QStringList({"32778 追加(&A)", "32780 変更(&E)", "32779 削除(&D)", "-",
                           "57634 コピー(&C)", "32781 移動(&M)", "57637 貼り付け(&P)", "-",
                           "32800 項目の検索(&S)\tCtrl+Shift+F"}));
    EXPECT_EQ(MenuItems(*menus[3]),
              QStringList({"32788 検索(&F)\tCtrl+F", "32789 次の検索(&N)\tF3", "-",
                           "32782 追加(&A)", "32784 変更(&E)", "32783 削除(&D)", "-",
                           "32785 コピー(&C)", "32786 移動(&M)", "32787 貼り付け(&P)"}));
    EXPECT_EQ(MenuItems(*menus[4]), QStringList({"32791 設定(&C)", "32798 ロック(&L)..."}));
    EXPECT_EQ(MenuItems(*menus[5]), QStringList({"40000 グループビュー(&G)"}));
    EXPECT_EQ(MenuItems(*menus[6]), QStringList({"57670 ヘルプ(&H)", "57664 &About"}));
}

TEST(MainMenu, AcceleratorsAndEnabledStates) {
    ScriptedPrompter prompter;
    FrameHarness h;
    const std::pair<int, const char*> keys[] = {
        {57601, "Ctrl+O"}, {57603, "Ctrl+S"}, {32776, "Ctrl+I"}, {32777, "Ctrl+E"},
        {57601, "Ctrl+O"}, {57603, "Ctrl+S"}, {32776, "Ctrl+I"}, {32777, "Ctrl+E"},
        {32788, "Ctrl+F"}, {32789, "F3"},     {32790, "Ctrl+C"}, {32800, "Ctrl+Shift+F"},
        {32796, "Ctrl+L"}};
    for (const auto& [id, key] : keys) {
        ASSERT_NE(h.frame->menuAction(id), nullptr) << id;
        EXPECT_EQ(h.frame->menuAction(id)->shortcut(), QKeySequence(QString::fromLatin1(key)))
            << id;
    }
    EXPECT_TRUE(h.frame->menuAction(57600)->shortcut().isEmpty());

    // Every item is enabled except "次の検索", greyed until there is a search text.
    for (QMenu* menu : h.frame->dropDownMenus()) {
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator()) {
                EXPECT_EQ(a->isEnabled(), a->data().toInt() != 32789) << a->data().toInt();
            }
        }
    }
    h.frame->setFindNextEnabled(true);
    EXPECT_TRUE(h.frame->menuAction(32789)->isEnabled());
}

TEST(MainMenu, StatusLineShowsPromptsWhileAMenuIsOpen) {
    ScriptedPrompter prompter;
    FrameHarness h;
    QMenu* file = h.frame->dropDownMenus()[0];
    EXPECT_EQ(h.frame->statusText(), QStringLiteral("Ready"));
    emit file->aboutToShow();
    EXPECT_EQ(h.frame->statusText(), QString());
    emit file->hovered(h.frame->menuAction(57601));
    EXPECT_EQ(h.frame->statusText(), QStringLiteral("Open an existing document"));
    emit file->hovered(h.frame->menuAction(57665));
    EXPECT_EQ(h.frame->statusText(),
              QStringLiteral("Quit the application; prompts to save documents"));
    emit file->hovered(h.frame->menuAction(32776));  // no prompt of its own
    EXPECT_EQ(h.frame->statusText(), QString());
    emit file->aboutToHide();
    EXPECT_EQ(h.frame->statusText(), QStringLiteral("Ready"));
}

TEST(MainMenu, AcceleratorsWorkWithTheFocusInTheGroupTree) {
    ScriptedPrompter prompter;
    FrameHarness h;
    QList<int> seen;
    for (int id : {32790, 32789, 57601})
        h.frame->commands().set(id, [&seen, id](QObject*) { seen.append(id); });
    h.frame->show();
    h.frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(h.frame.get()));
    h.frame->groupTree()->setFocus();
    QCoreApplication::processEvents();

    QTest::keyClick(h.frame->groupTree(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(h.frame->groupTree(), Qt::Key_F3);  // greyed: nothing
    QTest::keyClick(h.frame->groupTree(), Qt::Key_O, Qt::ControlModifier);
    h.frame->setFindNextEnabled(true);
    QTest::keyClick(h.frame->groupTree(), Qt::Key_F3);
    EXPECT_EQ(seen, QList<int>({32790, 57601, 32789}));
}
