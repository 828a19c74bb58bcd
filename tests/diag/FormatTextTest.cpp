#include <gtest/gtest.h>

#include "diag/FormatText.h"

TEST(FormatText, SubstitutesTextAndNumbersInOrder) {
    EXPECT_EQ(FormatText(u"%s %s",
                         {QStringLiteral("情報管理ツール Zetrova"), QStringLiteral("/a/b.dat")}),
              QStringLiteral("情報管理ツール Zetrova /a/b.dat"));
    EXPECT_EQ(FormatText(u"%s:%d", {"MainFrm.cpp", 123}), QStringLiteral("MainFrm.cpp:123"));
    EXPECT_EQ(FormatText(u"%02X%02X", {0x0Au, 0xFFu}), QStringLiteral("0AFF"));
    EXPECT_EQ(FormatText(u"%x", {255}), QStringLiteral("ff"));
    EXPECT_EQ(FormatText(u"100%%", {}), QStringLiteral("100%"));
}

TEST(FormatText, UserTextIsNeverAFormat) {
    // A name such as "100%" or "%s%n" enters only as an argument and is printed literally.
    EXPECT_EQ(FormatText(u"「%s」は見つかりませんでした", {QStringLiteral("%s%n%d")}),
              QStringLiteral("「%s%n%d」は見つかりませんでした"));
    EXPECT_EQ(FormatText(u"\"%s\" はすでに存在します", {QStringLiteral("100%")}),
              QStringLiteral("\"100%\" はすでに存在します"));
}

TEST(FormatText, WidthsAndPaddingFollowPrintf) {
    EXPECT_EQ(FormatText(u"[%4d]", {987}), QStringLiteral("[ 987]"));
    EXPECT_EQ(FormatText(u"[%03d]", {5}), QStringLiteral("[005]"));
    EXPECT_EQ(FormatText(u"[%03d]", {-5}), QStringLiteral("[-05]"));
    EXPECT_EQ(FormatText(u"[%-4s]", {"ab"}), QStringLiteral("[ab  ]"));
    EXPECT_EQ(FormatText(u"[%02d]", {1234}), QStringLiteral("[1234]"));
}

TEST(FormatText, MissingArgumentsAndStrayPercentsAreHarmless) {
    EXPECT_EQ(FormatText(u"a%sb%dc", {}), QStringLiteral("abc"));
    EXPECT_EQ(FormatText(u"50%", {}), QStringLiteral("50%"));
    EXPECT_EQ(FormatText(u"%q", {"x"}), QStringLiteral("%q"));
}
