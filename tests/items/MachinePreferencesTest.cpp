#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "items/MachinePreferences.h"
#include "support/TempDir.h"

namespace {

// The preferences file under a configuration folder of the test's own.
class MachinePreferences : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", config.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }
    void write(const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(config.file(QStringLiteral("zetrova"))));
        QFile file(MachinePreferencesPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    TempDir config;
};

TEST_F(MachinePreferences, LockPreferencesFromTheFileOrTheDefaults) {
    EXPECT_EQ(MachinePreferencesPath(), config.file(QStringLiteral("zetrova/zetrova.conf")));
    struct Case {
        const char* text;  // nullptr: no file
        int idle;
        bool onSessionLock;
        bool onHide;
        bool damaged;
    };
    const Case cases[] = {
        {nullptr, 600, true, false, false},
        {"[Lock]\nIdleSeconds=30\nOnSessionLock=false\nOnHide=true\n", 30, false, true, false},
        {"[Other]\nX=1\n[Lock]\nIdleSeconds=0\n", 0, true, false, false},
        // Unreadable values and files: the defaults where they were, reported.
        {"[Lock]\nIdleSeconds=soon\nOnHide=true\n", 600, true, true, true},
        {"[Lock]\nOnSessionLock=vielleicht\n", 600, true, false, true},
        {"[Lock\nIdleSeconds=30\n", 600, true, false, true},
        {"\x01\x02 garbage without equals\n", 600, true, false, true},
    };
    for (const Case& c : cases) {
        QFile::remove(MachinePreferencesPath());
        if (c.text) write(c.text);
        bool damaged = !c.damaged;
        const LockPreferences prefs = ReadLockPreferences(&damaged);
        EXPECT_TRUE(prefs.idleSeconds == c.idle && prefs.onSessionLock == c.onSessionLock &&
                    prefs.onHide == c.onHide && damaged == c.damaged)
            << (c.text ? c.text : "(no file)");
    }
}

TEST_F(MachinePreferences, WritingTheLockSectionKeepsTheOthersAndTheFileOwnerOnly) {
    write("[Versions]\nKeep=5\n\n[Lock]\nIdleSeconds=1\nStale=x\n");
    LockPreferences prefs;
    prefs.idleSeconds = 90;
    prefs.onHide = true;
    ASSERT_TRUE(WriteLockPreferences(prefs));
    QFile file(MachinePreferencesPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Versions]\nKeep=5\n\n[Lock]\nIdleSeconds=90\n"
                                         "OnSessionLock=true\nOnHide=true\n"));
    EXPECT_EQ(file.permissions() & 0x00FF, QFileDevice::Permissions());
    EXPECT_EQ(ReadMachinePreference(QStringLiteral("Versions"), QStringLiteral("Keep"), 0).toInt(),
              5);
}

}  // namespace
