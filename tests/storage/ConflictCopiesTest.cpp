#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "storage/ConflictCopies.h"
#include "support/TempDir.h"

TEST(ConflictCopies, TheNamesTheSyncToolsGiveAndNothingElse) {
    struct Case {
        const char* dataFile;
        const char* candidate;
        bool copy;
    };
    const Case cases[] = {
        {"Zetrova.dat", "Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat", true},
        {"Zetrova.dat", "Zetrova (conflicted copy 2026-12-09 101500).dat", true},
        {"Zetrova.dat", "Zetrova_conflict-20261209-101500.dat", true},
        {"Zetrova.dat", "Zetrova (host's conflicted copy 2026-12-09).dat", true},
        {"Zetrova.dat", "Zetrova (Aoi Sato’s conflicted copy 2026-12-09 (1)).dat", true},
        {"家計.v2.dat", "家計.v2.sync-conflict-20261209-101500-Z9Z9Z9Z.dat", true},
        {"Zetrova", "Zetrova.sync-conflict-20261209-101500-ABCDEFG", true},
        // Another file's copies, the file itself, near misses and other extensions.
        {"Zetrova.dat", "Zetrova.dat", false},
        {"Zetrova.dat", "Other.sync-conflict-20261209-101500-ABCDEFG.dat", false},
        {"Zetrova.dat", "Zetrova.sync-conflict-20261209-101500-ABCDEFG.xml", false},
        {"Zetrova.dat", "Zetrova.sync-conflict-20261209-1015-ABCDEFG.dat", false},
        {"Zetrova.dat", "Zetrova.sync-conflict-20261209-101500-abcdefg.dat", false},
        {"Zetrova.dat", "Zetrova (conflicted copy).dat", false},
        {"Zetrova.dat", "Zetrova (copy).dat", false},
        {"Zetrova.dat", "xZetrova.sync-conflict-20261209-101500-ABCDEFG.dat", false},
        {"Zetrova.dat", "Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat.zetrova-partial-1",
         false},
        // Regular-expression characters in the data file's name are plain characters.
        {"a+b.dat", "aab.sync-conflict-20261209-101500-ABCDEFG.dat", false},
        {"a+b.dat", "a+b.sync-conflict-20261209-101500-ABCDEFG.dat", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.candidate);
        EXPECT_EQ(IsConflictCopyName(QString::fromUtf8(c.dataFile), QString::fromUtf8(c.candidate)),
                  c.copy);
    }
}

TEST(ConflictCopies, FoundBesideTheDataFileSortedRegularFilesOnly) {
    TempDir dir;
    dir.write("Zetrova.dat", "x");
    dir.write("Zetrova_conflict-20261209-101500.dat", "x");
    dir.write("Zetrova (conflicted copy 2026-12-09 101500).dat", "x");
    dir.write("Zetrova.bak", "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Zetrova.sync-conflict-20261209-101500-ABCDEFG.dat"));
    EXPECT_EQ(FindConflictCopies(dir.file("Zetrova.dat")),
              (QStringList{dir.file("Zetrova (conflicted copy 2026-12-09 101500).dat"),
                           dir.file("Zetrova_conflict-20261209-101500.dat")}));
    EXPECT_TRUE(FindConflictCopies(dir.file("none/Zetrova.dat")).isEmpty());
}
