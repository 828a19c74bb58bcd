#include <gtest/gtest.h>

#include <QMenu>

#include "app/AppTestSupport.h"
#include "app/PopupPosition.h"
#include "support/ScriptedPrompter.h"

namespace {

const QString kNotice = QStringLiteral("通知領域にアイコンを登録できませんでした。");

struct Registration {
    FakeNotifyIcon icon;
    ManualScheduler retries;
    int closeRequests = 0;
    NotifyRegistration reg{icon, [this] { ++closeRequests; }, retries.scheduler(), 4};
};

}  // namespace

TEST(NotifyRegistration, FirstAddSucceeds) {
    ScriptedPrompter prompter;
    Registration r;
    r.reg.start();
    EXPECT_TRUE(r.reg.registered());
    EXPECT_EQ(r.icon.adds, 1);
    EXPECT_EQ(r.icon.modifies, 0);
    EXPECT_EQ(r.retries.pending(), 0u);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(NotifyRegistration, NoNotificationAreaNoticesOnceAndGivesUpAfterTheBound) {
    ScriptedPrompter prompter;
    Registration r;
    r.icon.laterAdds = NotifyIcon::kNoNotificationArea;
    r.reg.start();
    // Within one attempt: add, the notice with one close request, then modify.
    EXPECT_EQ(r.icon.adds, 1);
    EXPECT_EQ(r.icon.modifies, 1);
    EXPECT_EQ(r.closeRequests, 1);
    EXPECT_EQ(r.reg.state(), NotifyRegistration::State::Retrying);

    EXPECT_EQ(r.retries.runAll(), 3);
    EXPECT_EQ(r.reg.state(), NotifyRegistration::State::GaveUp);
    EXPECT_EQ(r.icon.adds, 4);
    EXPECT_EQ(r.icon.modifies, 4);
    EXPECT_EQ(r.closeRequests, 1);
    EXPECT_EQ(r.retries.delays, std::vector<int>({1000, 1000, 1000}));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, QStringLiteral("通知"));
    EXPECT_EQ(prompter.messages()[0].text, kNotice);
}

TEST(NotifyRegistration, TimeOutsRetryQuietlyAndALaterAddSucceeds) {
    ScriptedPrompter prompter;
    Registration r;
    r.icon.addResults = {NotifyIcon::kTimeout, NotifyIcon::kTimeout};
    r.reg.start();
    r.retries.runAll();
    EXPECT_TRUE(r.reg.registered());
    EXPECT_EQ(r.icon.adds, 3);
    EXPECT_EQ(r.closeRequests, 0);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(NotifyRegistration, ModifySucceedingAfterAFailedAddEndsTheRegistration) {
    ScriptedPrompter prompter;
    Registration r;
    r.icon.addResults = {NotifyIcon::kNoNotificationArea};
    r.icon.modifyResults = {NotifyIcon::kOk};
    r.reg.start();
    EXPECT_TRUE(r.reg.registered());
    EXPECT_EQ(r.retries.pending(), 0u);
    EXPECT_EQ(prompter.texts(), QStringList({kNotice}));
}

TEST(NotifyRegistration, CancelStopsPendingRetries) {
    ScriptedPrompter prompter;
    Registration r;
    r.icon.addResults = {NotifyIcon::kTimeout};
    r.reg.start();
    r.reg.cancel();
    r.retries.runAll();
    EXPECT_EQ(r.icon.adds, 1);
    EXPECT_EQ(r.reg.state(), NotifyRegistration::State::GaveUp);
}

TEST(NotifyIconInFrame, LeftPressOpensTheNotificationMenu) {
    ScriptedPrompter prompter;
    FrameHarness h;
    ASSERT_TRUE(h.frame->hasNotifyIcon());
    QMenu* menu = h.frame->notifyMenu();
    QStringList texts;
    for (QAction* a : menu->actions()) texts.append(a->text() + u'=' + a->data().toString());
    EXPECT_EQ(texts, QStringList({QStringLiteral("開く=32795"), QStringLiteral("ロック=32796"),
                                  QStringLiteral("ロック解除=32797"),
                                  QStringLiteral("ヘルプ=57670"), QStringLiteral("終了=57665")}));
    // Unlocked, the menu offers ロック and not ロック解除.
    EXPECT_TRUE(menu->actions()[1]->isVisible());
    EXPECT_FALSE(menu->actions()[2]->isVisible());
    h.icon->pressLeft();
    EXPECT_TRUE(menu->isVisible());
    menu->hide();

    // "開く" shows the hidden window.
    menu->actions()[0]->trigger();
    EXPECT_TRUE(h.frame->isVisible());
    // "終了" ends the program with code 1 and removes the icon.
    menu->actions()[4]->trigger();
    EXPECT_EQ(h.quitCodes, std::vector<int>({1}));
    EXPECT_EQ(h.icon->removes, 1);
}

TEST(PopupPosition, OffScreenPointIsClampedIntoTheNearestScreensWidth) {
    const QList<QRect> screens{QRect(0, 0, 1000, 800), QRect(1000, 0, 800, 600)};
    const QList<QRect> available{QRect(0, 0, 1000, 760), QRect(1040, 0, 760, 600)};
    EXPECT_EQ(PopupPosition(QPoint(500, 700), screens, available), QPoint(500, 700));
    EXPECT_EQ(PopupPosition(QPoint(-20, 790), screens, available), QPoint(0, 790));
    EXPECT_EQ(PopupPosition(QPoint(1900, 300), screens, available), QPoint(1799, 300));
    EXPECT_EQ(PopupPosition(QPoint(5, 5), {}, {}), QPoint(5, 5));
}
