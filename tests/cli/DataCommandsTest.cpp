#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "cli/CliGroupPath.h"
#include "cli/CliTestSupport.h"
#include "diag/LogFile.h"
#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "storage/XmlExchange.h"
#include "support/DataFiles.h"
#include "support/Documents.h"
#include "support/OtherUser.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

const QString kKey = QStringLiteral("pass");

// root: 銀行 (口座, 暗証 secret, ネット (a/b, back\slash)), Mail, mailbox, dup (x), dup (inner)
XmlDocument SampleDocument() {
    return BuildDocument({
        Group(u"銀行"_s,
              {Item(u"口座"_s, u"1234-5678"_s), Secret(u"暗証"_s, u"O'Neil\t\"①～\""_s),
               Group(u"ネット"_s, {Item(u"a/b"_s, u"line1\nline2"_s), Group(u"back\\slash"_s)})}),
        Group(u"Mail"_s),
        Group(u"mailbox"_s),
        Group(u"dup"_s, {Item(u"x"_s, u"1"_s)}),
        Group(u"dup"_s, {Group(u"inner"_s)}),
    });
}

QString Outline(const XmlNode& element) {
    QString line = element.name() + u' ' + schema::NameOf(element) + u'=' + element.text() + u'\n';
    for (XmlNode c = element.firstChild(); !c.isNull(); c = c.nextSibling())
        if (c.isElement()) line += Outline(c);
    return line;
}

// A folder with Zetrova.ini (KEY of "pass", DATA naming data.dat) and data.dat.
struct Workspace {
    TempDir dir;
    QString ini = dir.file("Zetrova.ini");
    QString data = dir.file("data.dat");

    explicit Workspace(const XmlDocument& doc = SampleDocument(), bool withKey = true) {
        QByteArray ini = "[CONFIG]\r\nDATA=data.dat\r\n";
        if (withKey) ini += "KEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n";
        dir.write("Zetrova.ini", ini);
        EXPECT_TRUE(WriteDataFile(data, doc, kKey));
    }
    QStringList files(QStringList args) const { return args << "--ini" << ini; }
    CliRun run(const QStringList& args, std::optional<QString> key = kKey) const {
        return RunCliWith(files(args), key);
    }
    // The document in the data file, read back as the desktop program would.
    XmlDocument load() const {
        const XmlDocument doc = ReadDataFile(data, kKey);
        EXPECT_FALSE(doc.isNull());
        return doc;
    }
};

TEST(CliGroupPath, ParsesAndFormatsEscapedNames) {
    EXPECT_EQ(ParseGroupPath("/"), QStringList());
    EXPECT_EQ(ParseGroupPath("/銀行/ネット"), (QStringList{"銀行", "ネット"}));
    EXPECT_EQ(ParseGroupPath("/a\\/b/c\\\\"), (QStringList{"a/b", "c\\"}));
    EXPECT_EQ(ParseGroupPath("//"), (QStringList{"", ""}));
    for (const char* bad : {"", "銀行", "/a\\", "/a\\b"}) EXPECT_FALSE(ParseGroupPath(bad)) << bad;
    // Control characters are written as escapes and read back.
    EXPECT_EQ(ParseGroupPath("/\\t\\r\\n\\x1b\\x7F\\u{9B}\\u{1F600}"),
              (QStringList{u"\t\r\n\x1b\x7f\u009b\U0001F600"_s}));
    for (const char* bad :
         {"/\\x1", "/\\xG0", "/\\u{}", "/\\u{D800}", "/\\u{110000}", "/\\u{1234567}", "/\\u9B"})
        EXPECT_FALSE(ParseGroupPath(bad)) << bad;
    EXPECT_EQ(FormatGroupPath({u"\x01\x1b[2J\x7f"_s, u"\u0080\u009f\u00a0\t\r\n"_s}),
              u"/\\x01\\x1B[2J\\x7F/\\u{80}\\u{9F}\u00a0\\t\\r\\n"_s);
    for (const QStringList& names :
         {QStringList(), QStringList{"a/b", "\\", "/", "x'y"}, QStringList{"", "z"},
          QStringList{u"\x01\x1b[2J\x7f"_s, u"\u0080\u009f\u00a0\t"_s}}) {
        EXPECT_EQ(ParseGroupPath(FormatGroupPath(names)), names);
    }
    EXPECT_EQ(FormatGroupPath({"a/b", "c\\d"}), "/a\\/b/c\\\\d");
}

TEST(CliData, LsListsAGroupInDocumentOrderWithSecretsMasked) {
    Workspace ws;
    const CliRun root = ws.run({"ls"});
    EXPECT_EQ(root.status, 0) << root.err.toStdString();
    EXPECT_EQ(root.out, "group\t銀行\ngroup\tMail\ngroup\tmailbox\ngroup\tdup\ngroup\tdup\n");
    EXPECT_EQ(ws.run({"ls", "/"}).out, root.out);

    const CliRun bank = ws.run({"ls", "/銀行"});
    EXPECT_EQ(bank.out, "item\t口座\t1234-5678\nsecret\t暗証\t*****\ngroup\tネット\n");
    const CliRun net = ws.run({"ls", "/銀行/ネット"});
    EXPECT_EQ(net.out, "item\ta/b\tline1\\nline2\ngroup\tback\\\\slash\n");
    EXPECT_EQ(ws.run({"ls", "/銀行/ネット/back\\\\slash"}).status, 0);
    // Same-named groups: the first one in document order, as in the desktop program.
    EXPECT_EQ(ws.run({"ls", "/dup"}).out, "item\tx\t1\n");
    // A path is looked up as the desktop program looks up a clicked group: the first group in
    // document order that the whole path matches.
    EXPECT_EQ(ws.run({"ls", "/dup/inner"}).status, 0);

    const CliRun missing = ws.run({"ls", "/銀行/none"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_TRUE(missing.err.contains("グループが見つかりません"));
    EXPECT_EQ(ws.run({"ls", "銀行"}).status, 2);
}

// Names and values reach the terminal without a control character of their own: ls and find
// write them as escapes (and find's path works as a path again); show keeps the value exact.
// (A document holds no C0 control but tab, CR and LF; the escapes of the others are checked with
// the paths above.)
TEST(CliData, LsAndFindEscapeControlCharactersShowKeepsThem) {
    XmlDocument doc = schema::CreateNewDocument();
    const QString value = u"del\x7f c1\u0085 csi\u009b[2J tab\t lf\n cr\r nbsp\u00a0"_s;
    const XmlNode group = Add(doc.documentElement(), schema::kGroup, u"csi\u009b2J\x7f"_s);
    Add(group, schema::kItem, u"nel\u0085\tx"_s, value);
    Add(group, schema::kSecret, u"\u009b31m"_s, value);
    Workspace ws(doc);

    const CliRun root = ws.run({"ls"});
    EXPECT_EQ(root.out, u"group\tcsi\\u{9B}2J\\x7F\n"_s);
    const CliRun found = ws.run({"find", "2J"});
    EXPECT_EQ(found.out, u"/csi\\u{9B}2J\\x7F\n"_s);
    const CliRun listed = ws.run({"ls", found.out.trimmed()});
    EXPECT_EQ(listed.out,
              u"item\tnel\\u{85}\\tx\tdel\\x7F c1\\u{85} csi\\u{9B}[2J tab\\t lf\\n "
              u"cr\\r nbsp\u00a0\nsecret\t\\u{9B}31m\t*****\n"_s);
    for (const CliRun* run : {&root, &found, &listed}) {
        for (QChar c : run->out) {
            const char16_t u = c.unicode();
            EXPECT_FALSE((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7F && u <= 0x9F))
                << int(u);
        }
    }
    EXPECT_EQ(ws.run({"show", found.out.trimmed() + u"/\\u{9B}31m"_s}).out, value + u'\n');
}

// Whatever the user's texts hold, the real tool writes no character that drives a terminal or
// reorders a line: names and values in listings and paths, and the texts its messages quote
// (arguments, file names, a comment an export stops at), are escaped; an argument that is not
// UTF-8 is refused. (A document holds no C0 control but tab, CR and LF: those come from the
// command line.)
TEST(CliData, TerminalsGetEscapedTextAndBadBytesAreRefused) {
    const QString xml = u"<group name=\"root\"><!--c\u009b[31m\nx\u202e--></group>"_s;
    XmlParseResult parsed = XmlDocument::parseBytes(xml.toUtf8());
    ASSERT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
    const XmlNode group = Add(parsed.document.documentElement(), schema::kGroup,
                              u"del\x7f csi\u009b[31m rlo\u202e lri\u2066x\u2069"_s);
    Add(group, schema::kItem, u"v\u2067"_s, u"val\u202a\u009b"_s);
    Add(group, schema::kSecret, u"s\u2068"_s, u"\u202d"_s);
    Workspace ws(parsed.document);
    const QByteArray escaped = "del\\x7F csi\\u{9B}[31m rlo\\u{202E} lri\\u{2066}x\\u{2069}";
    const QByteArray dir = ws.dir.path().toUtf8();
    const QByteArray notUtf8 = "zetrova-cli: argument ";

    struct Case {
        const char* what;
        QByteArrayList args;
        int status;
        QByteArray out;
        QByteArray err;  // what the error output starts with
    };
    const QList<Case> cases = {
        {"listed names and values",
         {"ls", "/" + escaped},
         0,
         "item\tv\\u{2067}\tval\\u{202A}\\u{9B}\nsecret\ts\\u{2068}\t*****\n",
         ""},
        {"a found path", {"find", "rlo"}, 0, "/" + escaped + "\n", ""},
        {"a listed group", {"ls"}, 0, "group\t" + escaped + "\n", ""},
        {"a text not found",
         {"find", "x\xc2\x9b[2J\xe2\x80\xae\xc2\x85"},
         1,
         "",
         "zetrova-cli: 「x\\u{9B}[2J\\u{202E}\\u{85}」は見つかりませんでした\n"},
        {"an invalid path",
         {"ls", "/a\\q\t\xc2\x9b"},
         2,
         "",
         "zetrova-cli: invalid path /a\\\\q\\t\\u{9B}: write /GROUP/GROUP, with \\/ and \\\\ "
         "inside names\n"},
        {"an unknown command",
         {"bogus\x1b]0;t\x07"},
         2,
         "",
         "zetrova-cli: unknown command 'bogus\\x1B]0;t\\x07'\n"},
        {"an unknown option",
         {"ls", "--x\xe2\x81\xa6\r"},
         2,
         "",
         "zetrova-cli ls: Unknown option 'x\\u{2066}\\r'.\n"},
        {"a comment an export stops at",
         {"export", dir + "/out.xml"},
         1,
         "",
         "zetrova-cli: 「c\\u{9B}[31m\\nx\\u{202E}」にはShift_JISで書けない文字があるため、エクス"
         "ポートできませんでした\n"},
        {"a data file's name",
         {"ls", "--data", dir + "/no\xc2\x9b\n.dat"},
         1,
         "",
         "zetrova-cli: " + dir + "/no\\u{9B}\\n.datを読み込めませんでした\n"},
        {"a byte that is never UTF-8",
         {"export", "o\xff.xml"},
         2,
         "",
         notUtf8 + "2 is not valid UTF-8 (bad bytes shown as U+FFFD): o\xef\xbf\xbd.xml\n"},
        {"an overlong form", {"ls", "/\xc0\xaf"}, 2, "", notUtf8 + "2 is not valid UTF-8"},
        {"a surrogate", {"find", "\xed\xa0\x80"}, 2, "", notUtf8 + "2 is not valid UTF-8"},
        {"past U+10FFFF", {"show", "/\xf4\x90\x80\x80/x"}, 2, "", notUtf8 + "2 is not valid UTF-8"},
        {"a cut sequence in an option",
         {"ls", "--data", "\xe3\x81"},
         2,
         "",
         notUtf8 + "3 is not valid UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CliRawRun run =
            RunCliBytes(c.args + QByteArrayList{"--ini", ws.ini.toUtf8()}, "pass\n");
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(run.err.startsWith(c.err)) << run.err.toStdString();
        if (c.err.isEmpty()) {
            EXPECT_EQ(run.err, "");
        }
        // No C0 control but the line break (and the tab between fields), no DEL, no C1 control
        // (UTF-8 C2 80 to C2 9F), no bidirectional embedding, override or isolate.
        for (const QByteArray* bytes : {&run.out, &run.err}) {
            const QString text = QString::fromUtf8(*bytes);
            for (QChar ch : text) {
                const char16_t u = ch.unicode();
                const bool allowed = u == u'\n' || (u == u'\t' && bytes == &run.out);
                EXPECT_FALSE(!allowed &&
                             (u < 0x20 || (u >= 0x7F && u <= 0x9F) ||
                              (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069)))
                    << std::hex << int(u);
            }
        }
    }
    // Nothing was written: neither the refused export nor a file of a replaced name.
    QStringList left = QDir(ws.dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{"Zetrova.ini", "data.dat"}));
}

TEST(CliData, ShowPrintsOneValueSecretsIncluded) {
    Workspace ws;
    EXPECT_EQ(ws.run({"show", "/銀行/口座"}).out, "1234-5678\n");
    EXPECT_EQ(ws.run({"show", "/銀行/暗証"}).out, "O'Neil\t\"①～\"\n");
    EXPECT_EQ(ws.run({"show", "/銀行/ネット/a\\/b"}).out, "line1\nline2\n");

    const CliRun noItem = ws.run({"show", "/銀行/ネット"});  // a group, not an item
    EXPECT_EQ(noItem.status, 1);
    EXPECT_TRUE(noItem.out.isEmpty());
    EXPECT_TRUE(noItem.err.contains("項目が見つかりません"));
    const CliRun noGroup = ws.run({"show", "/nothing/口座"});
    EXPECT_EQ(noGroup.status, 1);
    EXPECT_TRUE(noGroup.err.contains("グループが見つかりません"));
    EXPECT_EQ(ws.run({"show", "/"}).status, 2);
    EXPECT_EQ(ws.run({"show"}).status, 2);
}

// Output that does not arrive (a full disk, a closed standard output) is a failure with its
// reason, for every command that prints, never an exit status 0 over an empty file.
TEST(CliData, OutputThatDoesNotArriveFails) {
    Workspace ws;
    const QByteArray ini = QFile::encodeName(ws.ini), other = ini + ".dat";
    ASSERT_TRUE(
        WriteDataFile(other, BuildDocument({Group(u"銀行"_s, {Item(u"口座"_s, u"9"_s)})}), kKey));
    for (const QByteArrayList& args : QList<QByteArrayList>{{"show", "/銀行/暗証", "--ini", ini},
                                                            {"ls", "--ini", ini},
                                                            {"find", "ネ", "--ini", ini},
                                                            {"merge", other, "--ini", ini},
                                                            {"passgen", "3"},
                                                            {"verifier"},
                                                            {"ls", "--help"}}) {
        for (const auto& [to, reason] : {std::pair{CliStdout::Full, "No space left on device"},
                                         std::pair{CliStdout::Closed, "Bad file descriptor"}}) {
            ASSERT_TRUE(WriteDataFile(ws.data, SampleDocument(), kKey));  // merge's conflict again
            const CliRawRun run = RunCliBytes(args, "pass\n", to);
            EXPECT_EQ(run.status, 1) << args.join(' ').toStdString();
            EXPECT_EQ(QString::fromUtf8(run.err),
                      u"zetrova-cli: 標準出力に書き込めませんでした（"_s + reason + u"）\n"_s);
        }
    }
}

// Where /proc is missing the executable's path is not known: the log is the state folder's, never
// a ".log" emptied in whatever folder the program runs in. (unshare -r: no privilege needed.)
TEST(CliData, WithoutProcTheLogIsTheStateFolders) {
    TempDir dir;
    dir.write(".log", "the user's own file");
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_STATE_HOME", dir.file("state"));
    p.setProcessEnvironment(env);
    p.start("unshare", {"-rm", "sh", "-c", "mount -t tmpfs none /proc && exec \"$0\" passgen 0",
                        ZETROVA_CLI_PATH});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        GTEST_SKIP() << "no run without /proc here (no namespace, or a sanitizer needing it): "
                     << p.readAllStandardError().toStdString();
    EXPECT_EQ(dir.read(".log"), "the user's own file");
    EXPECT_TRUE(QFileInfo::exists(dir.file("state/zetrova/zetrova-cli.log")));
}

// Without a display to reach, clip says so and fails, whatever Qt would have tried, and never
// crashes; its command line is checked before that. (With a display: the desktop tests.)
TEST(CliData, ClipRefusesWithoutADisplay) {
    Workspace ws;
    struct Case {
        const char* what;
        QList<QPair<QString, QString>> set;  // the display variables given, all others removed
    };
    const QList<Case> cases = {
        {"none", {}},
        {"X server gone", {{"DISPLAY", ":4711"}}},
        {"Wayland session gone",
         {{"WAYLAND_DISPLAY", "wayland-4711"}, {"XDG_SESSION_TYPE", "wayland"}}},
        {"offscreen", {{"QT_QPA_PLATFORM", "offscreen"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        for (const auto& [name, value] : c.set) env.insert(name, value);
        const CliRun run = RunCliProcess(ws.files({"clip", "/銀行/暗証"}), "pass\n", {}, env);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("no display")) << run.err.toStdString();
    }
    for (const char* timeout : {"0", "-1", "1.5", "x", "86401"})
        EXPECT_EQ(ws.run({"clip", "/銀行/暗証", "--timeout", timeout}).status, 2) << timeout;
    EXPECT_EQ(ws.run({"clip", "/"}).status, 2);
    EXPECT_EQ(ws.run({"clip"}).status, 2);
}

TEST(CliData, FindWalksOnLikeF3AndWrapsAround) {
    Workspace ws;
    const CliRun first = ws.run({"find", "MAIL"});
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, "/Mail\n");
    EXPECT_EQ(ws.run({"find", "MAIL", "--from", "/Mail"}).out, "/mailbox\n");
    EXPECT_EQ(ws.run({"find", "MAIL", "--from", "/mailbox"}).out, "/Mail\n");

    const CliRun caseSensitive = ws.run({"find", "MAIL", "--case"});
    EXPECT_EQ(caseSensitive.status, 1);
    EXPECT_TRUE(caseSensitive.out.isEmpty());
    EXPECT_TRUE(caseSensitive.err.contains("「MAIL」は見つかりませんでした"));
    EXPECT_EQ(ws.run({"find", "Mail", "--case", "--from", "/Mail"}).out, "/Mail\n");

    // Printed paths escape slashes and backslashes so they work as --from again.
    const CliRun slash = ws.run({"find", "slash"});
    EXPECT_EQ(slash.out, "/銀行/ネット/back\\\\slash\n");
    EXPECT_EQ(ws.run({"find", "slash", "--from", slash.out.trimmed()}).out, slash.out);
    // From a group that is the last of its siblings the search goes on after it (to Mail), not
    // back into its parent's branch, where it would find the same group again.
    EXPECT_EQ(ws.run({"find", "a", "--from", slash.out.trimmed()}).out, "/Mail\n");
    // Starting at the root group its own name counts.
    EXPECT_EQ(ws.run({"find", "oo"}).out, "/\n");

    // A group inside the second of two same-named groups cannot be named by a path.
    const CliRun hidden = ws.run({"find", "inner"});
    EXPECT_EQ(hidden.status, 1);
    EXPECT_TRUE(hidden.err.contains("innerが見つかりません"));
    EXPECT_EQ(ws.run({"find", "x", "--from", "/none"}).status, 1);
    EXPECT_EQ(ws.run({"find", ""}).status, 2);
}

TEST(CliData, ExportWritesTheDesktopExportAndImportReplacesTheDocument) {
    Workspace ws;
    const QString xml = ws.dir.file("out.xml");
    const CliRun exported = ws.run({"export", xml});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    QFile file(xml);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"));
    EXPECT_EQ(bytes, SampleDocument().serialize("Shift_JIS"));

    // Import into a fresh data file: the same document, under the held verifier.
    Workspace other(schema::CreateNewDocument());
    const CliRun imported = other.run({"import", xml});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(Outline(other.load().documentElement()), Outline(SampleDocument().documentElement()));
    EXPECT_EQ(other.run({"show", "/銀行/暗証"}).out, "O'Neil\t\"①～\"\n");
}

TEST(CliData, WrongKeyOrBadInputNeverChangesAFile) {
    Workspace ws;
    const QByteArray data = ws.dir.read("data.dat");
    ws.dir.write("old.xml", "old export");
    ws.dir.write("bad.xml", "<group name=\"root\"><item>");
    DocumentState other;
    other.document = schema::CreateNewDocument();
    other.root = other.document.documentElement();
    ASSERT_TRUE(WriteXmlFile(other.document, ws.dir.file("good.xml")));

    struct Case {
        QStringList args;
        std::optional<QString> key;
        const char* message;
    };
    const QList<Case> cases = {
        {{"export", ws.dir.file("old.xml")}, QStringLiteral("Pass"), "キーが違います"},
        {{"export", ws.dir.file("new.xml")}, QStringLiteral("wrong"), "キーが違います"},
        {{"export", ws.data}, kKey, "data.datはデータファイルのため、エクスポートしませんでした"},
        {{"export", ws.ini}, kKey, "Zetrova.iniは設定ファイルのため、エクスポートしませんでした"},
        {{"export", LogFile::Instance().path()},
         kKey,
         "ログファイルのため、エクスポートしませんでした"},
        {{"import", ws.dir.file("good.xml")}, QStringLiteral("wrong"), "キーが違います"},
        {{"import", ws.dir.file("good.xml")}, std::nullopt, "キーを入力してください"},
        {{"import", ws.dir.file("good.xml")}, QString(), "キーを入力してください"},
        {{"import", ws.dir.file("bad.xml")}, kKey, "ルートを取得できませんでした"},
        {{"import", ws.dir.file("missing.xml")}, kKey, "ルートを取得できませんでした"},
        {{"ls"}, QStringLiteral("wrong"), "キーが違います"},
        {{"show", "/銀行/暗証"}, QStringLiteral("wrong"), "キーが違います"},
        {{"find", "M"}, QStringLiteral("wrong"), "キーが違います"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliRun run = ws.run(c.args, c.key);
        EXPECT_NE(run.status, 0);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_EQ(ws.dir.read("data.dat"), data);
        EXPECT_EQ(ws.dir.read("old.xml"), "old export");
        EXPECT_FALSE(QFile::exists(ws.dir.file("new.xml")));
    }
    QStringList left = QDir(ws.dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{"Zetrova.ini", "bad.xml", "data.dat", "good.xml", "old.xml"}));

    // A document that an import could not give back is not exported, as on the desktop.
    XmlDocument odd = SampleDocument();
    odd.documentElement().appendChild(odd.createElement(u"café"));
    Workspace refusing(odd);
    refusing.dir.write("old.xml", "old export");
    const CliRun refused = refusing.run({"export", refusing.dir.file("old.xml")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(
        "名前「café」にはShift_JISで書けない文字があるため、エクスポートできませんでした"))
        << refused.err.toStdString();
    EXPECT_EQ(refusing.dir.read("old.xml"), "old export");
}

TEST(CliData, MissingKeyOrDataFileIsReported) {
    {
        // No KEY and no data file a key could open.
        Workspace noKey(SampleDocument(), false);
        ASSERT_TRUE(QFile::remove(noKey.data));
        int reads = 0;
        QString out, err;
        QTextStream o(&out), e(&err);
        CliIo io{o, e, [&]() -> CliLine {
                     ++reads;
                     return {CliLine::Status::Read, kKey};
                 }};
        EXPECT_EQ(RunCli(noKey.files({"ls"}), io), 1);
        EXPECT_EQ(RunCli(noKey.files({"import", noKey.dir.file("x.xml")}), io), 1);
        e.flush();
        EXPECT_EQ(reads, 0);
        EXPECT_EQ(err.count("暗号化キーが設定されていません"), 2);
    }
    Workspace ws;
    ws.dir.write("garbage.dat", QByteArray(64, '\x33'));
    ws.dir.write("empty.dat", QByteArray());
    const CliRun garbage = ws.run({"ls", "--data", ws.dir.file("garbage.dat")});
    EXPECT_EQ(garbage.status, 1);
    EXPECT_TRUE(garbage.err.contains("データを解釈できませんでした"));
    for (const char* name : {"missing.dat", "empty.dat"}) {
        const CliRun run = ws.run({"ls", "--data", ws.dir.file(name)});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains(ws.dir.file(name))) << run.err.toStdString();
    }
    // A key line past what is read is too long, not missing.
    const CliRun tooLong =
        RunCliProcess(ws.files({"ls"}), QByteArray(5 << 20, 'k') + "\n", ws.dir.path());
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, u"zetrova-cli: キーが長すぎます（4194304バイトまで）\n"_s);
}

// A settings change that crashed between its two writes leaves the data file under the new key
// and the settings file naming the old one, or none: the key that opens the settings file's own
// data file is taken, and KEY is put right with every other line kept.
TEST(CliData, AKeyThatOpensTheSettingsFilesDataFileIsTakenAndNamedInIt) {
    const QByteArray oldKey = "KEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n";
    const QByteArray newKey = "KEY=" + MakeKeyVerifier("new").toLatin1();
    struct Case {
        const char* name;
        std::optional<QByteArray> ini;  // nullopt: no settings file
        QStringList args;
        int status;
        QByteArray iniAfter;
    };
    const QByteArray head = "; mine\r\n[CONFIG]\r\nDATA=Zetrova.dat\r\n";
    const QList<Case> cases = {
        {"the old KEY",
         head + oldKey + "ONTASKBAR=1\r\n",
         {"ls", "/dup"},
         0,
         head + newKey + "\r\nONTASKBAR=1\r\n"},
        {"no KEY", head, {"ls", "/dup"}, 0, head + newKey + "\r\n"},
        {"no settings file", std::nullopt, {"ls", "/dup"}, 0, "[CONFIG]\n" + newKey + "\n"},
        {"import", head + oldKey, {"import", "in.xml"}, 0, head + newKey + "\r\n"},
        // Another data file than the settings file's own proves nothing about its key.
        {"--data names another file",
         head + oldKey,
         {"ls", "--data", "other.dat"},
         1,
         head + oldKey},
        // A settings file that cannot be rewritten: the key is taken and the user told so.
        {"undecodable", head + oldKey + "X=\x81", {"ls", "/dup"}, 0, head + oldKey + "X=\x81"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ASSERT_TRUE(WriteDataFile(dir.file("Zetrova.dat"), SampleDocument(), "new"));
        ASSERT_TRUE(QFile::copy(dir.file("Zetrova.dat"), dir.file("other.dat")));
        ASSERT_TRUE(WriteXmlFile(schema::CreateNewDocument(), dir.file("in.xml")));
        if (c.ini) dir.write("Zetrova.ini", *c.ini);
        const CliRun run = RunCliProcess(c.args, "new\n", dir.path());
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(dir.read("Zetrova.ini"), c.iniAfter);
        EXPECT_EQ(run.err.contains("Zetrova.iniのKEYを更新できませんでした"),
                  c.status == 0 && c.ini == c.iniAfter);
        if (c.status != 0) {
            EXPECT_TRUE(run.err.contains("キーが違います")) << run.err.toStdString();
        } else if (c.args.front() == "ls") {
            EXPECT_EQ(run.out, "item\tx\t1\n");
        }
    }
}

// Devices, pipes and runaway sizes as data file, import or settings file: refused at once, naming
// the file, before the key is asked for where the file comes first; no file changes.
TEST(CliData, OnlyRegularFilesOfBoundedSizeAreRead) {
    Workspace ws;
    const QByteArray data = ws.dir.read("data.dat");
    const QByteArray ini = ws.dir.read("Zetrova.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(ws.dir.file("fifo")).constData(), 0600), 0);
    QDir(ws.dir.path()).mkdir("folder.ini");
    // Sparse: past the limits without using the disk.
    for (const auto& [name, size] : {std::pair{"big.dat", (qint64(256) << 20) + 1},
                                     std::pair{"big.ini", (qint64(16) << 20) + 1}}) {
        QFile big(ws.dir.file(name));
        ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(size));
    }
    const QString fifo = ws.dir.file("fifo");
    const QString bigData = ws.dir.file("big.dat");
    const QString notRegular =
        QStringLiteral("を読み込みませんでした（通常のファイルではありません）");
    const QString tooLarge =
        QStringLiteral("を読み込みませんでした（上限の256 MiBより大きいファイルです）");
    const QString settings = QStringLiteral("設定ファイル");
    // The data file is read before the key is asked for, an import after; with --ini, the
    // settings file is the problem.
    const QList<std::pair<QStringList, QString>> cases = {
        {{"ls", "--data", "/dev/zero"}, "/dev/zero" + notRegular},
        {{"ls", "--data", "/dev/urandom"}, "/dev/urandom" + notRegular},
        {{"show", "/銀行/口座", "--data", fifo}, fifo + notRegular},
        {{"ls", "--data", bigData}, bigData + tooLarge},
        {{"import", "/dev/zero"}, "/dev/zero" + notRegular},
        {{"import", fifo}, fifo + notRegular},
        {{"import", bigData}, bigData + tooLarge},
        {{"ls", "--ini", fifo},
         settings + fifo + "を読み込めませんでした（通常のファイルではありません）"},
        {{"import", bigData, "--ini", ws.dir.file("folder.ini")},
         "folder.iniを読み込めませんでした（フォルダーです）"},
        {{"export", ws.dir.file("out.xml"), "--ini", ws.dir.file("big.ini")},
         "（上限の16 MiBより大きいファイルです）"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        int keyReads = 0;
        QString out, err;
        QTextStream o(&out), e(&err);
        CliIo io{o, e, [&]() -> CliLine {
                     ++keyReads;
                     return {CliLine::Status::Read, kKey};
                 }};
        const bool ownIni = args.contains("--ini");
        EXPECT_EQ(RunCli(ownIni ? args : ws.files(args), io), 1);
        e.flush();
        EXPECT_TRUE(err.contains(message)) << err.toStdString();
        EXPECT_EQ(keyReads, args.front() == "import" && !ownIni ? 1 : 0);
        EXPECT_EQ(ws.dir.read("data.dat"), data);
        EXPECT_EQ(ws.dir.read("Zetrova.ini"), ini);
        EXPECT_FALSE(QFile::exists(ws.dir.file("out.xml")));
    }

    // A settings file its user may not read stops the tool instead of standing for no settings.
    if (!RunningAsRoot()) GTEST_SKIP() << "needs root to run the tool as another user";
    ASSERT_EQ(::chmod(QFile::encodeName(ws.dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(ws.ini).constData(), 0), 0);
    QProcess p;
    p.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", ZETROVA_CLI_PATH, "ls",
                        "--ini", ws.ini});
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError())
                    .contains("設定ファイル" + ws.ini +
                              "を読み込めませんでした（読み取りが許されていません）"));
}

// The real tool past the file-size limit: the write fails and says so instead of dying of SIGXFSZ,
// and the old data file stays whole, with nothing left beside it.
TEST(CliData, ImportPastTheFileSizeLimitFailsAndKeepsTheDataFile) {
    Workspace ws;
    XmlDocument big = SampleDocument();
    for (int i = 0; i < 1000; ++i)
        Add(big.documentElement(), schema::kItem, QString::number(i), QString(100, u'x'));
    ASSERT_TRUE(WriteXmlFile(big, ws.dir.file("big.xml")));
    const QByteArray data = ws.dir.read("data.dat");
    QProcess p;
    p.setWorkingDirectory(ws.dir.path());
    // 64 blocks of 512 bytes: the old data file fits, the new one (some 200 kB) does not.
    p.start("sh", {"-c", "ulimit -f 64; exec \"$0\" import big.xml", ZETROVA_CLI_PATH});
    p.write("pass\n");
    p.closeWriteChannel();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("書き込めませんでした"));
    EXPECT_EQ(ws.dir.read("data.dat"), data);
    QStringList left = QDir(ws.dir.path()).entryList(QDir::Files);
    left.sort();
    EXPECT_EQ(left, (QStringList{"Zetrova.ini", "big.xml", "data.dat"}));
}

TEST(CliData, DefaultFilesAreFoundInTheCurrentFolder) {
    // Zetrova.ini here, its DATA relative to it; the key on standard input.
    Workspace ws;
    const CliRun run = RunCliProcess({"show", "/銀行/口座"}, "pass\n", ws.dir.path());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "1234-5678\n");

    // Without DATA the data file is Zetrova.dat here.
    TempDir bare;
    bare.write("Zetrova.ini", "[config]\nkey=" + MakeKeyVerifier(kKey).toLatin1() + "\n");
    QFile::copy(ws.data, bare.file("Zetrova.dat"));
    EXPECT_EQ(RunCliProcess({"ls", "/dup"}, "pass\n", bare.path()).out, "item\tx\t1\n");
    const CliRun wrong = RunCliProcess({"ls"}, "nope\n", bare.path());
    EXPECT_EQ(wrong.status, 1);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("キーが違います")));
}

}  // namespace
