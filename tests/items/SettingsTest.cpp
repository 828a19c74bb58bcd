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
    struct Case {
        const char* marker;  // below the test folder; made a folder when folder is set
        bool folder;
        bool found;
    };
    const Case cases[] = {
        {"home/a/b/.stfolder", true, true},  // Syncthing (a file in older versions)
        {"home/a/.stfolder", false, true},
        {"home/a/b/.nextcloudsync.log", false, true},
        {"home/.owncloudsync.log", false, true},  // home itself is looked at
        {"home/a/.sync_1a2b3c.db", false, true},
        {"home/a/._sync_1a2b3c.db", false, true},
        {"home/a/.dropbox", false, true},
        {"home/.dropbox", true, false},         // Dropbox's own settings in home, no copied folder
        {".stfolder", false, false},            // above home
        {"home/a/b/c/.stfolder", true, false},  // below the settings file
        {"home/a/b/stfolder", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marker);
        TempDir dir;
        ASSERT_TRUE(QDir().mkpath(dir.file(u"home/a/b"_s)));
        const QString marker = dir.file(QString::fromUtf8(c.marker));
        if (c.folder)
            ASSERT_TRUE(QDir().mkpath(marker));
        else
            dir.write(QString::fromUtf8(c.marker), "");
        EXPECT_EQ(SyncToolMarkerAbove(dir.file(u"home/a/b/Zetrova.ini"_s), dir.file(u"home"_s)),
                  c.found ? marker : QString());
        // Outside home, up to the root.
        EXPECT_EQ(SyncToolMarkerAbove(dir.file(u"home/a/b/Zetrova.ini"_s), u"/nonexistent"_s),
                  c.found || QByteArrayView(c.marker) == ".stfolder" ? marker : QString());
    }
}
