#include <gtest/gtest.h>

#include <QObject>

#include "app/CommandTable.h"

TEST(CommandTable, RoutesByIdReplacesAndReportsUnknownIds) {
    CommandTable table;
    QList<int> calls;
    QObject sender;
    QObject* seen = nullptr;
    table.set(100, [&](QObject* s) {
        calls.append(100);
        seen = s;
    });
    table.set(200, [&](QObject*) { calls.append(200); });

    EXPECT_TRUE(table.dispatch(100, &sender));
    EXPECT_EQ(seen, &sender);
    EXPECT_FALSE(table.dispatch(300));
    table.set(200, [&](QObject*) { calls.append(201); });
    EXPECT_TRUE(table.dispatch(200));
    EXPECT_EQ(calls, QList<int>({100, 201}));

    table.remove(100);
    EXPECT_FALSE(table.contains(100));
    EXPECT_FALSE(table.dispatch(100));
}

TEST(CommandTable, HandlerMayReplaceItselfWhileRunning) {
    CommandTable table;
    int runs = 0;
    table.set(1, [&](QObject*) {
        ++runs;
        table.set(1, [&](QObject*) { runs += 10; });
        table.remove(1);
    });
    EXPECT_TRUE(table.dispatch(1));
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(table.dispatch(1));
}
