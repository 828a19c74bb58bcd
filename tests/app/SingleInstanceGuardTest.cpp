#include <gtest/gtest.h>

#include "app/SingleInstanceGuard.h"
#include "support/TempDir.h"

TEST(SingleInstanceGuard, SecondInstanceOfTheSameTitleGivesWayUntilTheFirstEnds) {
    TempDir dir;
    const QString title = QStringLiteral("情報管理ツール Zetrova");
    auto first = std::make_unique<SingleInstanceGuard>(title, dir.path());
    ASSERT_TRUE(first->acquire());
    EXPECT_TRUE(first->acquire());  // asking again keeps it

    SingleInstanceGuard second(title, dir.path());
    EXPECT_FALSE(second.acquire());

    SingleInstanceGuard otherTitle(QStringLiteral("別のプログラム"), dir.path());
    EXPECT_TRUE(otherTitle.acquire());

    first.reset();
    SingleInstanceGuard third(title, dir.path());
    EXPECT_TRUE(third.acquire());
}
