#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <functional>
#include <new>

#include "cli/CliTestSupport.h"
#include "diag/FormatText.h"
#include "items/ItemRules.h"
#include "items/KeyCharacters.h"
#include "items/SyncedFolder.h"
#include "model/GroupRules.h"
#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/DataFileCodec.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"
#include "support/Documents.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

const QString kKey = QStringLiteral("pass");

// root: 銀行 (口座, 暗証 secret, ネット (a)), Mail
XmlDocument Sample() {
    return BuildDocument({
        Group(u"銀行"_s, {Item(u"口座"_s, u"1234"_s), Secret(u"暗証"_s, u"0000"_s),
                          Group(u"ネット"_s, {Item(u"a"_s, u"x"_s)})}),
        Group(u"Mail"_s),
    });
}

// One line per element below element, indented by depth: "kind name=value".
QString Outline(const XmlNode& element, int depth = 0) {
    QString text;
    for (XmlNode c = element.firstChild(); !c.isNull(); c = c.nextSibling()) {
        if (!c.isElement()) continue;
        text += QString(depth, u' ') + c.name() + u' ' + schema::NameOf(c);
        if (!schema::IsGroup(c)) text += u'=' + c.text();
        text += u'\n' + Outline(c, depth + 1);
    }
    return text;
}

// A settings file naming data.dat and the key "pass", and data.dat holding a document.
struct Files {
    TempDir dir;
    QString ini = dir.file("Zetrova.ini");
    QString data = dir.file("data.dat");

    explicit Files(const XmlDocument& doc = Sample()) {
        dir.write("Zetrova.ini",
                  "[CONFIG]\r\nDATA=data.dat\r\nKEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n");
        EXPECT_TRUE(WriteDataFile(data, doc, kKey));
    }
    CliRun run(QStringList args, QStringList lines = {kKey}) const {
        return RunCliWithLines(args << "--ini" << ini, lines);
    }
    QString outline(const QString& key = kKey) const { return outlineOf(data, key); }
    QString outlineOf(const QString& path, const QString& key) const {
        const XmlDocument doc = ReadDataFile(path, key);
        return doc.isNull() ? QStringLiteral("(does not load)") : Outline(doc.documentElement());
    }
};

// A data file holding text as it is, not as a document would be written, under kKey.
QByteArray Encrypted(const QString& text) {
    std::vector<std::uint8_t> cipher;
    EncryptDataText(QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2) +
                        QByteArray(18, '\0'),
                    MakeKeyVerifier(kKey), cipher);
    return QByteArray(reinterpret_cast<const char*>(cipher.data()), qsizetype(cipher.size()));
}

// Neither the group nor others may read or write the file.
bool OwnerOnly(const QString& path) {
    constexpr QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return QFileInfo::exists(path) && !(QFileInfo(path).permissions() & others);
}

const QString kSampleOutline =
    u"group 銀行\n item 口座=1234\n secret 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s;

// Each command's changes, as the desktop's commands make them, and nothing else.
TEST(CliEdit, CommandsChangeTheDocumentAsTheDesktopCommandsDo) {
    struct Case {
        QStringList args;
        QStringList lines;  // after the key
        QString outline;    // of the whole document afterwards
    };
    const Case cases[] = {
        {{"mkdir", "/Mail/新"}, {}, kSampleOutline + u" group 新\n"_s},
        {{"mkdir", "--parents", "/Mail/x/y"}, {}, kSampleOutline + u" group x\n  group y\n"_s},
        {{"mkdir", "-p", "/銀行/ネット"}, {}, kSampleOutline},
        {{"mkdir", "/Mail/100%'\\/\\\\ \"s\""}, {}, kSampleOutline + u" group 100%'/\\ \"s\"\n"_s},
        // What the data file can hold: a tab, a character beyond U+FFFF (a surrogate pair), DEL.
        {{"mkdir", "/Mail/\\t\\u{1F511}\\x7F"},
         {},
         kSampleOutline + u" group \t\U0001F511\x7F\n"_s},
        {{"add", "/Mail/名前"}, {u"値 %s"_s}, kSampleOutline + u" item 名前=値 %s\n"_s},
        {{"add", "--secret", "/Mail/s"}, {u""_s}, kSampleOutline + u" secret s=\n"_s},
        // A name in use is replaced where it stands, as on Yes to the replace question, and keeps
        // its kind unless an option names one.
        {{"add", "/銀行/暗証"},
         {u"new"_s},
         u"group 銀行\n item 口座=1234\n secret 暗証=new\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"add", "--plain", "/銀行/暗証"},
         {u"new"_s},
         u"group 銀行\n item 口座=1234\n item 暗証=new\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"add", "--secret", "/銀行/口座"},
         {u"new"_s},
         u"group 銀行\n secret 口座=new\n secret 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"edit", "/銀行/口座", "--rename", "新\\/口座"},
         {},
         u"group 銀行\n item 新/口座=1234\n secret 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"edit", "/銀行/暗証", "--plain"},
         {},
         u"group 銀行\n item 口座=1234\n item 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"edit", "/銀行/口座", "--value", "--secret"},
         {u"5678"_s},
         u"group 銀行\n secret 口座=5678\n secret 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"rm", "/銀行/口座"},
         {},
         u"group 銀行\n secret 暗証=0000\n group ネット\n  item a=x\ngroup Mail\n"_s},
        {{"rmdir", "/Mail"},
         {},
         u"group 銀行\n item 口座=1234\n secret 暗証=0000\n group ネット\n  item a=x\n"_s},
        {{"rmdir", "--recursive", "/銀行"}, {}, u"group Mail\n"_s},
        {{"mv", "/銀行/暗証", "/Mail"},
         {},
         u"group 銀行\n item 口座=1234\n group ネット\n  item a=x\ngroup Mail\n secret 暗証=0000\n"_s},
        {{"mv", "/銀行/ネット", "/Mail"},
         {},
         u"group 銀行\n item 口座=1234\n secret 暗証=0000\ngroup Mail\n group ネット\n  item a=x\n"_s},
    };
    for (const Case& c : cases) {
        Files files;
        const CliRun run = files.run(c.args, QStringList{kKey} + c.lines);
        EXPECT_EQ(run.status, 0) << c.args.join(' ').toStdString() << ": " << run.err.toStdString();
        EXPECT_EQ(files.outline(), c.outline) << c.args.join(' ').toStdString();
        EXPECT_TRUE(OwnerOnly(files.data));
    }
}

// Refusals: the system's own message (names escaped), the exit status, and the data file not
// written at all.
TEST(CliEdit, RefusalsShowTheMessageAndLeaveTheFileAsItWas) {
    struct Case {
        QStringList args;
        QStringList lines;  // the key first
        int status;
        QString message;
    };
    const QString tenMegabytes(10 * 1024 * 1024, u'v');
    const QString kNameUnstorable = QString::fromUtf16(group_rules::kNameUnstorable);
    const QString kValueUnstorable = QString::fromUtf16(::kValueUnstorable);
    const QString k37(37, u'k');  // past the 36 characters the cipher uses
    const Case cases[] = {
        {{"mkdir", "/銀行/口座"}, {kKey}, 1, u"同じ名前のグループがあります"_s},
        {{"mkdir", "-p", "/銀行/口座/x"}, {kKey}, 1, u"同じ名前のグループがあります"_s},
        {{"mkdir", "/Mail/"}, {kKey}, 1, u"名前を入力してください"_s},
        {{"mkdir", "/none/x"}, {kKey}, 1, u"グループが見つかりません"_s},
        {{"mkdir", "/"}, {kKey}, 1, u"rootは変更できません。"_s},
        {{"mkdir", "Mail"}, {kKey}, 2, u"invalid path"_s},
        {{"add", "/none/x"}, {kKey, u"v"_s}, 1, u"グループが見つかりません"_s},
        {{"add", "/銀行/ネット"}, {kKey, u"v"_s}, 1, u"\"ネット\" はすでに存在します"_s},
        {{"add", "/Mail/x"}, {kKey}, 1, u"no value"_s},
        {{"add", "/Mail/x"}, {kKey, tenMegabytes}, 1, u"longer than 1048576 characters"_s},
        {{"add", "/Mail/x", "--generate", "6"}, {kKey}, 2, u"--generate needs"_s},
        {{"add", "/Mail/x"}, {u"wrong"_s, u"v"_s}, 1, u"キーが違います"_s},
        {{"edit", "/銀行/none", "--plain"}, {kKey}, 1, u"項目が見つかりません"_s},
        {{"edit", "/銀行/口座", "--rename", "暗証"}, {kKey}, 1, u"\"暗証\" はすでに存在します"_s},
        {{"edit", "/銀行/口座"}, {kKey}, 2, u"edit needs"_s},
        {{"edit", "/銀行/口座", "--rename", "a/b"}, {kKey}, 2, u"--rename takes one name"_s},
        {{"edit", "/銀行/口座", "--secret", "--plain"}, {kKey}, 2, u"not both"_s},
        {{"add", "/銀行/口座", "--secret", "--plain"}, {kKey}, 2, u"not both"_s},
        {{"rm", "/銀行/ネット"}, {kKey}, 1, u"項目が見つかりません"_s},
        {{"rmdir", "/銀行"}, {kKey}, 1, u"/銀行は空ではありません"_s},
        {{"rmdir", "/"}, {kKey}, 1, u"rootは変更できません。"_s},
        {{"mv", "/銀行", "/銀行/ネット"}, {kKey}, 1, u"選択されたグループの下には移動できません"_s},
        {{"mv", "/銀行", "/銀行"}, {kKey}, 1, u"選択されたグループの下には移動できません"_s},
        {{"mv", "/銀行/ネット", "/銀行"}, {kKey}, 1, u"同じ名前のグループがあります"_s},
        {{"mv", "/銀行/口座", "/銀行"}, {kKey}, 1, u"\"口座\" はすでに存在します"_s},
        {{"mv", "/", "/Mail"}, {kKey}, 1, u"rootは変更できません。"_s},
        {{"mv", "/銀行/口座", "/none"}, {kKey}, 1, u"グループが見つかりません"_s},
        {{"passwd"},
         {kKey, u"新しい"_s, u"新しい"_s},
         1,
         u"キーにできるのは半角の英数字と記号のみです"_s},
        {{"passwd"},
         {kKey, u"a b"_s, u"a b"_s},
         1,
         u"キーにできるのは半角の英数字と記号のみです"_s},
        {{"passwd"}, {kKey, u"abc"_s, u"abd"_s}, 1, u"the two new keys differ"_s},
        {{"passwd"}, {kKey, k37, k37}, 1, QString::fromUtf16(kKeyTooLong)},
        {{"passwd"}, {kKey, u""_s}, 1, u"キーを入力してください"_s},
        {{"passwd"}, {u"wrong"_s, u"abc"_s, u"abc"_s}, 1, u"キーが違います"_s},
        {{"init"}, {u"abc"_s, u"abc"_s}, 1, u"already has a KEY"_s},
        // Characters the data file cannot hold, which storing would make U+FFFD (two names one).
        {{"mkdir", "/Mail/a\\x01b"}, {kKey}, 2, kNameUnstorable + u": /Mail/a\\\\x01b"_s},
        {{"mkdir", "/Mail/\\u{FFFE}"}, {kKey}, 2, kNameUnstorable},
        {{"add", "/Mail/x"}, {kKey, u"a\x02"_s}, 1, kValueUnstorable},
        {{"add", "/Mail/x"}, {kKey, QString(QChar(0xDC00))}, 1, kValueUnstorable},
        {{"edit", "/銀行/口座", "--rename", "\\x00"}, {kKey}, 2, kNameUnstorable},
        {{"show", "/銀行/口座\\x01"}, {kKey}, 2, kNameUnstorable},
        {{"find", "\x01"}, {kKey}, 2, kNameUnstorable},
    };
    for (const Case& c : cases) {
        Files files;
        const QByteArray before = files.dir.read("data.dat");
        const QByteArray settings = files.dir.read("Zetrova.ini");
        const CliRun run = files.run(c.args, c.lines);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(run.status, c.status) << what << ": " << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << what << ": " << run.err.toStdString();
        EXPECT_EQ(files.dir.read("data.dat"), before) << what;
        EXPECT_EQ(files.dir.read("Zetrova.ini"), settings) << what;
    }
}

// Each command writes only the file it was asked to change, and a path it names reads as typed:
// init never replaces a settings file it cannot read, passwd refuses a data file the settings
// file does not name (no key opens it afterwards), add refuses an empty item name, and merge's
// refusals say what a file is, with a backslash in its name escaped.
TEST(CliEdit, CommandsWriteOnlyWhatTheyWereAskedToAndNamePathsAsTyped) {
    struct Case {
        const char* what;
        // Makes the files the case needs and gives the arguments (--ini is added when missing).
        std::function<QStringList(const Files&)> prepare;
        QStringList lines;  // the key first
        int status;
        std::function<QString(const Files&)> message;  // part of the error stream; empty: none
        std::function<void(const Files&)> check;       // what else must hold afterwards
    };
    const QString backslashed = u"a\\nb.dat"_s;  // a backslash and an n, no line break
    const QString escaped = u"a\\\\nb.dat"_s;
    const QList<Case> cases = {
        {"init beside a settings file too large to read",
         [](const Files& f) {
             QFile big(f.dir.file("big.ini"));
             EXPECT_TRUE(big.open(QIODevice::WriteOnly) && big.resize((qint64(16) << 20) + 1));
             return QStringList{"init", "--ini", f.dir.file("big.ini"), "--data",
                                f.dir.file("new.dat")};
         },
         {u"abc"_s, u"abc"_s},
         1,
         [](const Files& f) {
             return u"設定ファイル"_s + f.dir.file("big.ini") +
                    u"を読み込めませんでした（上限の16 MiBより大きいファイルです）"_s;
         },
         [](const Files& f) {
             EXPECT_FALSE(QFileInfo::exists(f.dir.file("new.dat")));
             EXPECT_EQ(QFileInfo(f.dir.file("big.ini")).size(), (qint64(16) << 20) + 1);
         }},
        {"init whose settings file cannot be written",
         [](const Files& f) {
             return QStringList{"init", "--ini", f.dir.file("missing/Z.ini"), "--data",
                                f.dir.file("new.dat")};
         },
         {u"abc"_s, u"abc"_s},
         1,
         [](const Files& f) {
             return u"the new data file "_s + f.dir.file("new.dat") + u" was removed again"_s;
         },
         // Left behind, it would open under no known key, and init would refuse to make it again.
         [](const Files& f) { EXPECT_FALSE(QFileInfo::exists(f.dir.file("new.dat"))); }},
        {"passwd --data of a file the settings file does not name",
         [](const Files& f) {
             f.dir.write("other.dat", f.dir.read("data.dat"));
             return QStringList{"passwd", "--data", f.dir.file("other.dat")};
         },
         {kKey, u"new"_s, u"new"_s},
         1,
         [](const Files& f) {
             return f.dir.file("other.dat") + u"は設定ファイル"_s + f.ini +
                    u"のDATAが指すデータファイルではないため、キーを変更しませんでした"_s;
         },
         [](const Files& f) { EXPECT_EQ(f.dir.read("other.dat"), f.dir.read("data.dat")); }},
        {"add with an empty item name",
         [](const Files&) {
             return QStringList{"add", "/Mail/"};
         },
         {kKey, u"v"_s},
         2,
         [](const Files&) { return u"名前を入力してください"_s; },
         {}},
        {"merge of a missing file",
         [&](const Files& f) {
             return QStringList{"merge", f.dir.file(backslashed)};
         },
         {kKey},
         1,
         [&](const Files& f) { return f.dir.file(escaped) + u"を読み込めませんでした"_s; },
         {}},
        {"merge of a file that declares a DOCTYPE",
         [&](const Files& f) {
             f.dir.write("d.dat", Encrypted(u"<!DOCTYPE group><group name=\"root\"/>"_s));
             return QStringList{"merge", f.dir.file("d.dat")};
         },
         {kKey},
         1,
         [&](const Files& f) {
             return f.dir.file("d.dat") + u"はデータファイルと同じキーで復号できましたが"_s;
         },
         {}},
        {"merge of a file under another key",
         [&](const Files& f) {
             EXPECT_TRUE(WriteDataFile(f.dir.file(backslashed), Sample(), u"other"_s));
             return QStringList{"merge", f.dir.file(backslashed)};
         },
         {kKey},
         1,
         [&](const Files& f) {
             return f.dir.file(escaped) + u"はデータファイルと同じキーで開けません"_s;
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Files files;
        const QByteArray data = files.dir.read("data.dat");
        const QByteArray settings = files.dir.read("Zetrova.ini");
        QStringList args = c.prepare(files);
        if (!args.contains("--ini")) args << "--ini" << files.ini;
        const CliRun run = RunCliWithLines(args, c.lines);
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        if (c.message)
            EXPECT_TRUE(run.err.contains(c.message(files))) << run.err.toStdString();
        else
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        // The settings file's own data file and the settings file are never touched.
        EXPECT_EQ(files.dir.read("data.dat"), data);
        EXPECT_EQ(files.dir.read("Zetrova.ini"), settings);
        if (c.check) c.check(files);
    }
}

// Another program writing the data file between the command's load and its save: the save is
// refused and the other program's file stays.
TEST(CliEdit, ASaveOverAFileChangedSinceItWasReadIsRefused) {
    Files files;
    XmlDocument other = schema::CreateNewDocument();
    Add(other.documentElement(), schema::kGroup, u"other"_s);
    const CliRun run = RunCliWithLines({"add", "/Mail/x", "--ini", files.ini}, {kKey, u"v"_s}, [&] {
        ASSERT_TRUE(WriteDataFile(files.data, other, kKey));
    });
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("は読み込みの後にほかで変更されています。書き込みませんでした"))
        << run.err.toStdString();
    EXPECT_EQ(files.outline(), u"group other\n"_s);
}

// Memory running out once the key is checked: the report says whether a file was written by
// then, as the settings file is when it named no KEY and the key opened its data file.
TEST(CliEdit, OutOfMemorySaysWhetherAFileWasWritten) {
    struct Case {
        const char* name;
        bool settingsKey;
        const char* message;
    };
    for (const Case& c :
         {Case{"KEY named", true, "zetrova-cli: out of memory; nothing was written\n"},
          Case{"KEY taken from the data file", false,
               "zetrova-cli: out of memory after a file was written; the command did not "
               "finish\n"}}) {
        SCOPED_TRACE(c.name);
        Files files;
        if (!c.settingsKey) files.dir.write("Zetrova.ini", "[CONFIG]\r\nDATA=data.dat\r\n");
        const QByteArray data = files.dir.read("data.dat");
        const CliRun run = RunCliWithLines({"add", "/Mail/x", "--ini", files.ini}, {kKey, u"v"_s},
                                           [] { throw std::bad_alloc(); });
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, QString::fromUtf8(c.message));
        EXPECT_EQ(files.dir.read("data.dat"), data);
        EXPECT_TRUE(
            files.dir.read("Zetrova.ini").contains("KEY=" + MakeKeyVerifier(kKey).toLatin1()));
    }
}

// A write the disk did not confirm (strace fails the given fsync: the data file's content and
// folder, then the settings file's) fails naming the file, the settings file's as the data
// file's; a merge in place lists its conflicts all the same.
TEST(CliEdit, AWriteTheDiskDidNotConfirmFails) {
    if (QStandardPaths::findExecutable("strace").isEmpty()) GTEST_SKIP() << "needs strace";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();         // no LeakSanitizer
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");  // under ptrace
    const struct {
        QStringList args;
        QByteArray input;
        int nth;
        const char* file;
        QString out;
    } cases[] = {
        {{"passwd"}, "pass\nnew\nnew\n", 4, "Zetrova.ini", {}},
        {{"init", "--data", "new.dat", "--ini", "new.ini"}, "new\nnew\n", 4, "new.ini", {}},
        {{"merge", "other.dat"}, "pass\n", 2, "data.dat", u"/銀行\t口座\n"_s},
    };
    for (const auto& c : cases) {
        Files f;
        ASSERT_TRUE(WriteDataFile(f.dir.file("other.dat"),
                                  BuildDocument({Group(u"銀行"_s, {Item(u"口座"_s, u"9"_s)})}),
                                  kKey));
        QProcess p;
        p.setWorkingDirectory(f.dir.path());
        p.setProcessEnvironment(env);
        p.start("strace",
                QStringList{"-f", "-qq", "-o", "/dev/null", "-e",
                            u"inject=fsync:error=EIO:when=%1"_s.arg(c.nth), ZETROVA_CLI_PATH} +
                    c.args);
        p.write(c.input);
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 1) << c.file;
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), c.out);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
                  u"zetrova-cli: "_s +
                      (c.args.contains(c.file) ? QString(c.file) : f.dir.file(c.file)) +
                      u"を書き換えましたが、ディスクへの書き込みを確かめられませんでした\n"_s);
    }
}

// A settings file inside a synchronised folder opens the data file wherever the folder goes: a
// command names it, and init makes none there unless asked to.
TEST(CliEdit, ASettingsFileInASynchronisedFolderIsNamedAndNotMadeUnasked) {
    Files f;
    ASSERT_TRUE(QDir().mkpath(f.dir.file("sync/deeper")));
    f.dir.write("sync/.nextcloudsync.log", "");
    f.dir.write("sync/deeper/Zetrova.ini", f.dir.read("Zetrova.ini"));
    f.dir.write("sync/deeper/data.dat", f.dir.read("data.dat"));
    EXPECT_EQ(RunCliWithLines({"ls", "--ini", f.dir.file("sync/deeper/Zetrova.ini")}, {kKey}).err,
              u"zetrova-cli: "_s +
                  FormatText(kSettingsInSyncedFolder, {f.dir.file("sync/deeper/Zetrova.ini"),
                                                       f.dir.file("sync/.nextcloudsync.log")}) +
                  u'\n');
    const QStringList init{"init", "--ini", f.dir.file("sync/new.ini"), "--data",
                           f.dir.file("sync/new.dat")};
    const CliRun refused = RunCliWithLines(init, {u"abc"_s, u"abc"_s});
    EXPECT_TRUE(refused.err.contains(u"設定ファイルを作りませんでした"_s))
        << refused.err.toStdString();
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(
        RunCliWithLines(init + QStringList{"--allow-synced-settings"}, {u"abc"_s, u"abc"_s}).status,
        0);
}

// A whole session from nothing: the files made by init, changed by each command, and read back
// under the key passwd set.
TEST(CliEdit, ASessionFromInitToPasswd) {
    TempDir dir;
    const QString ini = dir.file("Zetrova.ini");
    const QString data = dir.file("sub dir/z.dat");
    ASSERT_TRUE(QDir().mkpath(dir.file("sub dir")));
    auto cli = [&](QStringList args, QStringList lines) {
        const CliRun run = RunCliWithLines(args << "--ini" << ini, lines);
        EXPECT_EQ(run.status, 0) << args.join(' ').toStdString() << ": " << run.err.toStdString();
        return run;
    };
    const QString key = u"old!~"_s;
    const QString newKey = u"New#Key9"_s;
    RunCliWithLines({"init", "--ini", ini, "--data", data}, {key, key});
    const CliRun again = RunCliWithLines({"init", "--ini", ini}, {key, key});
    EXPECT_EQ(again.status, 1);
    const QByteArray settings = dir.read("Zetrova.ini");
    EXPECT_TRUE(settings.contains("KEY=" + MakeKeyVerifier(key).toLatin1())) << settings.data();
    EXPECT_TRUE(settings.contains("DATA=" + data.toUtf8())) << settings.data();
    EXPECT_TRUE(settings.contains("ONTASKBAR=0")) << settings.data();
    for (const QString& file : {ini, data}) EXPECT_TRUE(OwnerOnly(file));

    cli({"mkdir", "-p", "/web/mail"}, {key});
    cli({"mkdir", "/bank"}, {key});
    cli({"add", "/web/mail/user"}, {key, u"me@example.org"_s});
    cli({"add", "/bank/pin", "--secret"}, {key, u"1234"_s});
    cli({"add", "/web/mail/password", "--generate", "5"}, {key});
    cli({"edit", "/web/mail/user", "--rename", "login", "--value"}, {key, u"me"_s});
    cli({"mv", "/bank/pin", "/web"}, {key});
    cli({"mv", "/web/mail", "/bank"}, {key});
    cli({"add", "/bank/tmp"}, {key, u"x"_s});
    cli({"rm", "/bank/tmp"}, {key});
    // A control character in a name reaches a message escaped (a C1 control: ESC is refused).
    cli({"mkdir", "/\\u{9B}[2J"}, {key});
    const CliRun taken = RunCliWithLines({"add", "/\\u{9B}[2J", "--ini", ini}, {key, u"v"_s});
    EXPECT_EQ(taken.status, 1);
    EXPECT_TRUE(taken.err.contains(u"\"\\u{9B}[2J\" はすでに存在します"_s))
        << taken.err.toStdString();
    EXPECT_FALSE(taken.err.contains(u'\x9b'));
    cli({"rmdir", "/\\u{9B}[2J"}, {key});
    cli({"passwd"}, {key, newKey, newKey});

    EXPECT_EQ(RunCliWithLines({"ls", "--ini", ini}, {key}).status, 1);
    EXPECT_EQ(cli({"ls"}, {newKey}).out, u"group\tweb\ngroup\tbank\n"_s);
    EXPECT_EQ(cli({"ls", "/web"}, {newKey}).out, u"secret\tpin\t*****\n"_s);
    const CliRun mail = cli({"ls", "/bank/mail"}, {newKey});
    EXPECT_TRUE(mail.out.startsWith(u"item\tlogin\tme\nitem\tpassword\t"_s))
        << mail.out.toStdString();
    const QString password = cli({"show", "/bank/mail/password"}, {newKey}).out.trimmed();
    EXPECT_EQ(password.size(), 20);
    EXPECT_EQ(cli({"show", "/web/pin"}, {newKey}).out, u"1234\n"_s);
    EXPECT_TRUE(dir.read("Zetrova.ini").contains("KEY=" + MakeKeyVerifier(newKey).toLatin1()));

    // The real program reads the value from the line after the key, and refuses a line far too
    // long without storing any of it.
    CliRun real =
        RunCliProcess({"add", "/web/note", "--ini", ini}, newKey.toUtf8() + "\nnote text\n");
    EXPECT_EQ(real.status, 0) << real.err.toStdString();
    EXPECT_EQ(cli({"show", "/web/note"}, {newKey}).out, u"note text\n"_s);
    real = RunCliProcess({"add", "/web/big", "--ini", ini},
                         newKey.toUtf8() + "\n" + QByteArray(5 * 1024 * 1024, 'v') + "\n");
    EXPECT_EQ(real.status, 1);
    EXPECT_TRUE(real.err.contains("longer than")) << real.err.toStdString();
    EXPECT_EQ(cli({"ls", "/web"}, {newKey}).out, u"secret\tpin\t*****\nitem\tnote\tnote text\n"_s);
}

}  // namespace
