#include <gtest/gtest.h>

#include <functional>

#include "cli/CliTestSupport.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

const QString kKey = QStringLiteral("pass");

// The base, ours (the data file) and theirs, as data text. Ours changed a and x\ty and deleted c;
// theirs changed a, b and x\ty and added d.
const char kBase[] = R"(<group name="root"><group name="G"><item name="a">1</item>)"
                     R"(<item name="b">1</item></group><group name="a/b">)"
                     R"(<secret name="x&#9;y">1</secret></group><item name="c">1</item></group>)";
const char kOurs[] = R"(<group name="root"><group name="G"><item name="a">2</item>)"
                     R"(<item name="b">1</item></group><group name="a/b">)"
                     R"(<secret name="x&#9;y">2</secret></group></group>)";
const char kTheirs[] = R"(<group name="root"><group name="G"><item name="a">3</item>)"
                       R"(<item name="b">2</item></group><group name="a/b">)"
                       R"(<secret name="x&#9;y">3</secret></group><item name="c">1</item>)"
                       R"(<item name="d">1</item></group>)";

// The items of the data file, "path/name=value" in document order.
QString Items(const QString& path) {
    const XmlDocument doc = ReadDataFile(path, kKey);
    if (doc.isNull()) return QStringLiteral("(unreadable)");
    QStringList lines;
    std::function<void(const XmlNode&, const QString&)> walk = [&](const XmlNode& group,
                                                                   const QString& at) {
        for (XmlNode c = group.firstChild(); c; c = c.nextSibling()) {
            const QString name = c.attribute(u"name").value_or(QString());
            if (c.name() == u"group")
                walk(c, at + name + u'/');
            else
                lines << at + name + u'=' + c.text() + (c.name() == u"secret" ? u"*"_s : u""_s);
        }
    };
    walk(doc.documentElement(), u"/"_s);
    return lines.join(u' ');
}

}  // namespace

// merge and import, and every way they refuse: a refusal leaves the data file as it was, or as
// someone else wrote it meanwhile.
TEST(CliMerge, MergesOrRefusesLeavingTheDataFileAsItWas) {
    const QString merged3 = "/G/a=2 /G/a（競合）=3 /G/b=2 /a/b/x\ty=2* /a/b/x\ty（競合）=3* /d=1";
    const QString merged2 =
        "/G/a=2 /G/a（競合）=3 /G/b=1 /G/b（競合）=2 /a/b/x\ty=2* "
        "/a/b/x\ty（競合）=3* /c=1 /d=1";
    const QString ours = "/G/a=2 /G/b=1 /a/b/x\ty=2*";
    const QString elsewhere = "/c=1";  // what another program writes meanwhile
    struct Case {
        const char* what;
        QStringList args;  // THEIRS, BASE, OTHERKEY, MISSING, XML stand for files
        bool tamper;       // the data file is rewritten while the key is read
        int status;
        QString out;
        const char* err;  // part of the error stream
        QString items;    // the data file afterwards
    };
    const QList<Case> cases = {
        {"three-way",
         {"merge", "THEIRS", "--base", "BASE"},
         false,
         0,
         "/G\ta\n/a\\/b\tx\\ty\n",
         "",
         merged3},
        {"two-way", {"merge", "THEIRS"}, false, 0, "/G\ta\n/G\tb\n/a\\/b\tx\\ty\n", "", merged2},
        {"other under another key",
         {"merge", "OTHERKEY"},
         false,
         1,
         "",
         "データファイルと同じキーで開けません",
         ours},
        {"base under another key",
         {"merge", "THEIRS", "--base", "OTHERKEY"},
         false,
         1,
         "",
         "データファイルと同じキーで開けません",
         ours},
        {"other missing", {"merge", "MISSING"}, false, 1, "", "を読み込めませんでした", ours},
        {"base missing",
         {"merge", "THEIRS", "--base", "MISSING"},
         false,
         1,
         "",
         "を読み込めませんでした",
         ours},
        {"no other", {"merge"}, false, 2, "", "merge needs one file name", ours},
        {"data file changed meanwhile",
         {"merge", "THEIRS", "--base", "BASE"},
         true,
         1,
         "",
         "読み込みの後にほかで変更されています",
         elsewhere},
        {"import, data file changed meanwhile",
         {"import", "XML"},
         true,
         1,
         "",
         "読み込みの後にほかで変更されています",
         elsewhere},
        {"import", {"import", "XML"}, false, 0, "", "", "/G/a=3 /G/b=2 /a/b/x\ty=3* /c=1 /d=1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const QString data = dir.file("data.dat");
        dir.write("Zetrova.ini",
                  "[CONFIG]\r\nDATA=data.dat\r\nKEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n");
        ASSERT_TRUE(WriteDataFile(data, kOurs, kKey));
        ASSERT_TRUE(WriteDataFile(dir.file("theirs.dat"), kTheirs, kKey));
        ASSERT_TRUE(WriteDataFile(dir.file("base.dat"), kBase, kKey));
        ASSERT_TRUE(WriteDataFile(dir.file("otherkey.dat"), kTheirs, QStringLiteral("other")));
        dir.write("in.xml", kTheirs);
        QStringList args = c.args;
        for (QString& arg : args) {
            if (arg == u"THEIRS") arg = dir.file("theirs.dat");
            if (arg == u"BASE") arg = dir.file("base.dat");
            if (arg == u"OTHERKEY") arg = dir.file("otherkey.dat");
            if (arg == u"MISSING") arg = dir.file("missing.dat");
            if (arg == u"XML") arg = dir.file("in.xml");
        }
        const CliRun run = RunCliWith(args << "--ini" << dir.file("Zetrova.ini"), kKey, [&] {
            if (c.tamper) {
                ASSERT_TRUE(WriteDataFile(
                    data, R"(<group name="root"><item name="c">1</item></group>)", kKey));
            }
        });
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run.err.toStdString();
        EXPECT_EQ(Items(data), c.items);
    }
}

// The same copy merged twice, two-way and three-way: the second run finds everything there, says
// so, and leaves the data file's bytes as they were.
TEST(CliMerge, TheSameCopyMergedTwiceChangesNothingTheSecondTime) {
    for (const bool threeWay : {false, true}) {
        SCOPED_TRACE(threeWay ? "three-way" : "two-way");
        TempDir dir;
        dir.write("Zetrova.ini",
                  "[CONFIG]\r\nDATA=data.dat\r\nKEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n");
        ASSERT_TRUE(WriteDataFile(dir.file("data.dat"), kOurs, kKey));
        ASSERT_TRUE(WriteDataFile(dir.file("theirs.dat"), kTheirs, kKey));
        ASSERT_TRUE(WriteDataFile(dir.file("base.dat"), kBase, kKey));
        QStringList args{"merge", dir.file("theirs.dat"), "--ini", dir.file("Zetrova.ini")};
        if (threeWay) args << "--base" << dir.file("base.dat");
        const CliRun first = RunCliWith(args, kKey);
        ASSERT_EQ(first.status, 0) << first.err.toStdString();
        EXPECT_FALSE(first.out.isEmpty());
        const QByteArray merged = dir.read("data.dat");
        const CliRun second = RunCliWith(args, kKey);
        EXPECT_EQ(second.status, 0) << second.err.toStdString();
        EXPECT_EQ(second.out, "");
        EXPECT_TRUE(
            second.err.contains("の内容はすべてデータファイルにあります。変更しませんでした"))
            << second.err.toStdString();
        EXPECT_EQ(dir.read("data.dat"), merged);
    }
}
