// The desktop program's command line and the folder its files live in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>

#include "app/ProgramOptions.h"
#include "app/StartDirectory.h"
#include "support/TempDir.h"

namespace {

using Action = ProgramOptions::Action;
using Folder = ProgramOptions::Folder;

int ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return static_cast<int>(st.st_mode & 07777);
}

}  // namespace

TEST(ProgramOptions, FolderOptionsHelpVersionAndRefusals) {
    struct Case {
        QStringList args;
        Action action;
        Folder folder;
        QString named;
        QString textPart;  // part of the printed text
    };
    const Case cases[] = {
        {{}, Action::Run, Folder::Current, {}, {}},
        {{"--folder", "data"}, Action::Run, Folder::Named, "data", {}},
        {{"--folder=/srv/z"}, Action::Run, Folder::Named, "/srv/z", {}},
        {{"-folder", "x"}, Action::Run, Folder::Named, "x", {}},
        {{"--user-folder"}, Action::Run, Folder::PerUser, {}, {}},
        // Qt's own options are QApplication's, also with a value.
        {{"-platform", "offscreen", "-style", "Fusion", "-reverse", "--user-folder"},
         Action::Run,
         Folder::PerUser,
         {},
         {}},
        {{"--help"}, Action::ShowHelp, Folder::Current, {}, "--user-folder"},
        {{"-h", "--bogus"}, Action::Refuse, Folder::Current, {}, "bogus"},
        {{"--version"}, Action::ShowVersion, Folder::Current, {}, "1.05"},
        {{"--bogus"}, Action::Refuse, Folder::Current, {}, "'bogus'"},
        {{"file.dat"}, Action::Refuse, Folder::Current, {}, "file.dat"},
        {{"--folder"}, Action::Refuse, Folder::Current, {}, "--folder"},
        {{"--folder="}, Action::Refuse, Folder::Current, {}, "--folder needs a folder"},
        {{"--folder", "a", "--user-folder"}, Action::Refuse, Folder::Current, {}, "exclude"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const ProgramOptions o = ParseProgramOptions(c.args);
        EXPECT_EQ(o.action, c.action);
        EXPECT_TRUE(o.text.contains(c.textPart)) << o.text.toStdString();
        if (c.action == Action::Refuse) {
            EXPECT_TRUE(o.text.startsWith("zetrova: ")) << o.text.toStdString();
            EXPECT_TRUE(o.text.contains("zetrova --help"));
        }
        if (c.action != Action::Run) continue;
        EXPECT_EQ(o.folder, c.folder);
        EXPECT_EQ(o.namedFolder, c.named);
    }
    EXPECT_EQ(ProgramOptions::kRefusedExitCode, 2);
}

TEST(StartFolder, ChosenFolderForEachOption) {
    ProgramOptions current;
    ProgramOptions perUser;
    perUser.folder = Folder::PerUser;
    const auto named = [](const QString& folder) {
        ProgramOptions o;
        o.folder = Folder::Named;
        o.namedFolder = folder;
        return o;
    };
    struct Case {
        ProgramOptions options;
        QString xdgDataHome;
        QString expected;
    };
    const Case cases[] = {
        {current, "/x/data", "/work/here"},
        {perUser, "/x/data", "/x/data/zetrova"},
        {perUser, "/x/data/", "/x/data/zetrova"},
        // Unset, empty or relative: the default of the XDG rules.
        {perUser, "", "/home/u/.local/share/zetrova"},
        {perUser, "rel/data", "/home/u/.local/share/zetrova"},
        {named("sub/dir"), "", "/work/here/sub/dir"},
        {named("../up"), "", "/work/up"},
        {named("/abs"), "", "/abs"},
        {named("~/Z"), "", "/home/u/Z"},
        {named("~"), "", "/home/u"},
        {named("~other"), "", "/work/here/~other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.options.namedFolder + " xdg=" + c.xdgDataHome).toStdString());
        EXPECT_EQ(ChosenFolder(c.options, "/work/here", c.xdgDataHome, "/home/u"), c.expected);
    }
}

TEST(StartFolder, MadePrivateWithItsParentsExistingOnesKeepTheirMode) {
    TempDir dir;
    const QString deep = dir.file("share/zetrova");
    ASSERT_TRUE(MakePrivateFolder(deep));
    EXPECT_EQ(ModeOf(dir.file("share")), 0700);
    EXPECT_EQ(ModeOf(deep), 0700);

    ASSERT_TRUE(QDir(dir.path()).mkdir("open"));
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("open")).constData(), 0755), 0);
    EXPECT_TRUE(MakePrivateFolder(dir.file("open")));
    EXPECT_EQ(ModeOf(dir.file("open")), 0755);

    // A file in the way is no folder and is left alone.
    dir.write("file", "keep");
    EXPECT_FALSE(MakePrivateFolder(dir.file("file")));
    EXPECT_FALSE(MakePrivateFolder(dir.file("file/below")));
    EXPECT_EQ(dir.read("file"), "keep");

    // Entering makes the folder the working directory, the base of every relative path.
    const QString before = QDir::currentPath();
    EXPECT_TRUE(EnterFolder(dir.file("entered")));
    EXPECT_EQ(QDir::currentPath(), QFileInfo(dir.file("entered")).canonicalFilePath());
    EXPECT_FALSE(EnterFolder(dir.file("file")));
    EXPECT_EQ(QDir::currentPath(), QFileInfo(dir.file("entered")).canonicalFilePath());
    QDir::setCurrent(before);
}
