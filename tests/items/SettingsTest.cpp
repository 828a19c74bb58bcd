#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "items/Settings.h"
#include "items/SyncedFolder.h"
#include "support/ScriptedPrompter.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray Ini(const QByteArray& body) {
    return "[CONFIG]\n" + body;
}

TEST(Settings, PathsAreInTheStartDirectory) {
    EXPECT_EQ(SettingsFilePath(u"/home/u/start"_s), u"/home/u/start/Zetrova.ini"_s);
    EXPECT_EQ(DefaultDataFilePath(u"/home/u/start"_s), u"/home/u/start/Zetrova.dat"_s);
}

TEST(Settings, MissingFileGivesDefaults) {
    TempDir dir;
    HeldSettings held{u"previous.dat"_s, QString(), true};
    ReadSettings(dir.path(), held);
    EXPECT_EQ(held.dataFilePath, dir.path() + u"/Zetrova.dat"_s);
    EXPECT_TRUE(held.keyVerifier.isEmpty());
    EXPECT_FALSE(held.startMinimised);
}

TEST(Settings, ReadsTheThreeValues) {
    TempDir dir;
    dir.write(u"Zetrova.ini"_s,
              "[config]\r\ndata=/data/私の.dat\r\nKey=00410042\r\nONTASKBAR=1\r\n");
    HeldSettings held;
    ReadSettings(dir.path(), held);
    EXPECT_EQ(held.dataFilePath, u"/data/私の.dat"_s);
    EXPECT_EQ(held.keyVerifier, u"00410042"_s);
    EXPECT_TRUE(held.startMinimised);

    // Empty values: the default path, the held verifier kept.
    dir.write(u"Zetrova.ini"_s, Ini("DATA=\nKEY=\n"));
    ReadSettings(dir.path(), held);
    EXPECT_EQ(held.dataFilePath, DefaultDataFilePath(dir.path()));
    EXPECT_EQ(held.keyVerifier, u"00410042"_s);
    EXPECT_FALSE(held.startMinimised);
}

TEST(Settings, OnlyTheValueOneStartsMinimised) {
    TempDir dir;
    struct Case {
        QByteArray line;
        bool expected;
    };
    const Case cases[] = {
        {"ONTASKBAR=1", true},
        // Blanks around a value are not part of it, as with the Windows profile functions.
        {"ONTASKBAR =  1  ", true},
        {"ONTASKBAR=\"1\"", true},
        {"ONTASKBAR=\" 1\"", false},
        {"ONTASKBAR=01", false},
        {"ONTASKBAR=2", false},
        {"ONTASKBAR=true", false},
        {"ONTASKBAR=yes", false},
        {"ONTASKBAR=", false},
        {"ONTASKBAR=11", false},
    };
    for (const Case& c : cases) {
        dir.write(u"Zetrova.ini"_s, Ini(c.line + "\n"));
        HeldSettings held;
        held.startMinimised = !c.expected;
        ReadSettings(dir.path(), held);
        EXPECT_EQ(held.startMinimised, c.expected) << c.line.toStdString();
    }
}

TEST(Settings, WriteWithoutKeyShowsNoticeAndChangesNothing) {
    TempDir dir;
    ScriptedPrompter prompter;
    HeldSettings held{u"old.dat"_s, u"ABCD"_s, true};
    EXPECT_EQ(WriteSettings(dir.path(), held, u"new.dat"_s, QString(), false),
              WriteSettingsResult::NoKey);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0].caption, u"通知"_s);
    EXPECT_EQ(prompter.messages()[0].icon, MessageIcon::Warning);
    EXPECT_EQ(prompter.messages()[0].text, u"暗号化キーが設定されていません"_s);
    EXPECT_EQ(held.dataFilePath, u"old.dat"_s);
    EXPECT_EQ(held.keyVerifier, u"ABCD"_s);
    EXPECT_TRUE(held.startMinimised);
    EXPECT_FALSE(QFileInfo::exists(SettingsFilePath(dir.path())));

    // With a file present, it is not touched either.
    const QByteArray old = Ini("DATA=old.dat\r\nKEY=ABCD\r\n");
    dir.write(u"Zetrova.ini"_s, old);
    EXPECT_EQ(WriteSettings(dir.path(), held, u"new.dat"_s, QString(), false),
              WriteSettingsResult::NoKey);
    EXPECT_EQ(dir.read(u"Zetrova.ini"_s), old);
}

TEST(Settings, WriteUpdatesHeldAndFileKeepingOtherLines) {
    TempDir dir;
    ScriptedPrompter prompter;
    dir.write(u"Zetrova.ini"_s, "; mine\r\n[CONFIG]\r\nKEY=OLD\r\nWIDTH=640\r\n[X]\r\nA=1\r\n");
    HeldSettings held{u"old.dat"_s, u"OLD"_s, false};
    EXPECT_EQ(WriteSettings(dir.path(), held, u" /data/新しい.dat"_s, u"0041"_s, true),
              WriteSettingsResult::Written);
    EXPECT_EQ(held.dataFilePath, u" /data/新しい.dat"_s);
    EXPECT_EQ(held.keyVerifier, u"0041"_s);
    EXPECT_TRUE(held.startMinimised);
    EXPECT_EQ(dir.read(u"Zetrova.ini"_s),
              u"; mine\r\n[CONFIG]\r\nKEY=0041\r\nWIDTH=640\r\nDATA=\" /data/新しい.dat\"\r\n"
              u"ONTASKBAR=1\r\n[X]\r\nA=1\r\n"_s.toUtf8());

    HeldSettings reread;
    ReadSettings(dir.path(), reread);
    EXPECT_EQ(reread.dataFilePath, held.dataFilePath);
    EXPECT_EQ(reread.keyVerifier, held.keyVerifier);
    EXPECT_TRUE(reread.startMinimised);

    EXPECT_TRUE(WriteSettingsFile(dir.path(), u"a.dat"_s, u"0042"_s, false));
    ReadSettings(dir.path(), reread);
    EXPECT_FALSE(reread.startMinimised);
    EXPECT_EQ(reread.dataFilePath, u"a.dat"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST(Settings, UnwritableFileIsReportedAndHeldValuesStillChange) {
    TempDir dir;
    ScriptedPrompter prompter;
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"Zetrova.ini"_s));  // a folder in the file's place
    HeldSettings held{u"old.dat"_s, u"OLD"_s, false};
    EXPECT_FALSE(WriteSettingsFile(dir.path(), u"new.dat"_s, u"0041"_s, true));
    EXPECT_EQ(WriteSettings(dir.path(), held, u"new.dat"_s, u"0041"_s, true),
              WriteSettingsResult::FileNotWritten);
    EXPECT_EQ(held.dataFilePath, u"new.dat"_s);
    EXPECT_EQ(held.keyVerifier, u"0041"_s);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

}  // namespace

// The synchronisation tools' markers are looked for from the settings file's folder up to the home
// folder, or up to the root outside it; the first one found is named.
TEST(SyncedFolder, MarkersAreFoundFromTheSettingsFileUpToHome) {
    const std::pair<const char*, bool> cases[] = {
        // A marker below the test folder (a folder when it ends in "/"), and whether it counts.
        {"h/a/b/.stfolder/", true},
        {"h/a/.stfolder", true},
        {"h/a/b/.nextcloudsync.log", true},
        {"h/.owncloudsync.log", true},
        {"h/a/.sync_1a2b.db", true},
        {"h/a/._sync_1a2b.db", true},
        {"h/a/.dropbox", true},
        {"h/.dropbox/", false},  // Dropbox's own settings in home, not a copied folder
        {".stfolder", false},    // above home: found only outside home, walking to the root
        {"h/a/b/c/.stfolder/", false},
        {"h/a/b/stfolder", false},
    };
    for (const auto& [marker, found] : cases) {
        TempDir dir;
        const QString path = dir.file(QString::fromUtf8(marker));
        ASSERT_TRUE(QDir().mkpath(path.endsWith(u'/') ? path : dir.file(u"h/a/b"_s)));
        if (!path.endsWith(u'/')) dir.write(QString::fromUtf8(marker), "");
        const QString ini = dir.file(u"h/a/b/Zetrova.ini"_s);
        EXPECT_EQ(SyncToolMarkerAbove(ini, dir.file(u"h"_s)),
                  found ? QDir::cleanPath(path) : QString())
            << marker;
        EXPECT_EQ(SyncToolMarkerAbove(ini, u"/elsewhere"_s).isEmpty(), !found && marker[0] != '.');
    }
}
