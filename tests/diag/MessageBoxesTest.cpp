#include <gtest/gtest.h>

#include "diag/MessageBoxes.h"
#include "support/ScriptedPrompter.h"

TEST(MessageBoxes, CarryCaptionIconAndFormattedText) {
    ScriptedPrompter prompter;
    prompter.answerYes();
    Notice(nullptr, u"「%s」は見つかりませんでした", QStringLiteral("100%"));
    EXPECT_EQ(QuestionBox(nullptr, kCaptionConfirm, u"データが変更されています。保存しますか？"),
              kAnswerYes);
    ErrorBox(nullptr, kCaptionError, u"%sが見つかりません", QStringLiteral("%s"));
    ASSERT_EQ(prompter.messages().size(), 3);
    EXPECT_EQ(prompter.messages()[0].caption, "通知");
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.messages()[0].text, "「100%」は見つかりませんでした");
    EXPECT_EQ(prompter.messages()[1].caption, "確認");
    EXPECT_EQ(prompter.messages()[1].icon, MessageIcon::Question);
    EXPECT_EQ(prompter.messages()[2].text, "%sが見つかりません");
    EXPECT_EQ(prompter.messages()[2].icon, MessageIcon::Error);
}

TEST(MessageBoxes, SilentPrompterAnswersNoWhenNoneInstalled) {
    EXPECT_EQ(QuestionBox(nullptr, kCaptionConfirm, u"?"), kAnswerNo);
}
