#include <gtest/gtest.h>

#include <QFile>

#include "cli/CliTestSupport.h"
#include "storage/DataFileVersions.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"
#include "support/Documents.h"
#include "support/QtPrinters.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

const QString kKey = u"pass"_s;

XmlDocument Sample() {
    return BuildDocument({
        Group(u"銀行"_s, {Item(u"口座"_s, u"1234"_s), Secret(u"暗証"_s, u"hidden-value"_s)}),
        Group(u"Mail"_s, {Item(u"a/b\tc"_s, u"x"_s)}),
    });
}

// A data file with its settings file, and what zetrova-cli says about its versions.
struct Files {
    TempDir dir;
    QString ini = dir.file("Zetrova.ini");
    QString data = dir.file("data.dat");

    Files() {
        dir.write("Zetrova.ini",
                  "[CONFIG]\r\nDATA=data.dat\r\nKEY=" + MakeKeyVerifier(kKey).toLatin1() + "\r\n");
        EXPECT_TRUE(WriteDataFile(data, Sample(), kKey));
    }
    CliRun run(QStringList args, const QStringList& lines = {kKey}) const {
        return RunCliWithLines(args << "--ini" << ini, lines);
    }
    std::vector<KeptVersion> versions() const { return ListVersions(data, CurrentVersionPolicy()); }
};

QString Text(const XmlDocument& doc) {
    return doc.isNull() ? u"(none)"_s : QString::fromUtf8(doc.serialize(u"UTF-8"_s));
}

TEST(CliVersions, EveryWritingCommandKeepsWhatItReplaces) {
    struct Case {
        const char* what;
        QStringList args;
        QStringList lines;  // the key, then what the command reads
        QString keyAfter = kKey;
    };
    TempDir other;
    const QString xml = other.file("in.xml");
    const QString otherData = other.file("other.dat");
    ASSERT_TRUE(WriteDataFile(otherData, BuildDocument({Group(u"他"_s)}), kKey));
    other.write("in.xml",
                R"(<?xml version="1.0"?><group name="root"><item name="i">v</item></group>)");
    const std::vector<Case> cases = {
        {"mkdir", {"mkdir", "/新"}, {kKey}},
        {"add", {"add", "/銀行/new"}, {kKey, "value"}},
        {"edit", {"edit", "/銀行/口座", "--rename", "口座2"}, {kKey}},
        {"rm", {"rm", "/銀行/口座"}, {kKey}},
        {"rmdir", {"rmdir", "--recursive", "/銀行"}, {kKey}},
        {"mv", {"mv", "/Mail", "/銀行"}, {kKey}},
        {"import", {"import", xml}, {kKey}},
        {"merge", {"merge", otherData}, {kKey}},
        {"passwd", {"passwd"}, {kKey, "newkey", "newkey"}, "newkey"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Files files;
        const QString before = Text(ReadDataFile(files.data, kKey));
        const CliRun run = files.run(c.args, c.lines);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const std::vector<KeptVersion> versions = files.versions();
        ASSERT_EQ(versions.size(), 1u);
        // What was replaced, under the key the data file is under now.
        EXPECT_EQ(Text(ReadDataFile(versions.front().path, c.keyAfter)), before);
    }
}

TEST(CliVersions, DiffEscapesPathsHidesValuesAndRestoreBringsBackWhatAMergeRemoved) {
    Files files;
    // The other machine deleted 銀行 and changed an item; the three-way merge deletes it here too.
    TempDir other;
    const QString base = other.file("base.dat");
    const QString theirs = other.file("theirs.dat");
    ASSERT_TRUE(QFile::copy(files.data, base));
    ASSERT_TRUE(WriteDataFile(
        theirs, BuildDocument({Group(u"Mail"_s, {Item(u"a/b\tc"_s, u"changed"_s)})}), kKey));
    ASSERT_EQ(files.run({"merge", theirs, "--base", base}).status, 0);

    const CliRun diff = files.run({"diff", "1"});
    EXPECT_EQ(diff.out, u"- /銀行/\n~ /Mail/a\\/b\\tc\n"_s);
    EXPECT_FALSE(diff.out.contains(u"hidden"_s) || diff.out.contains(u"changed"_s));

    ASSERT_EQ(files.run({"restore", "1", "/銀行"}).status, 0);
    EXPECT_EQ(Text(ReadDataFile(files.data, kKey)),
              Text(BuildDocument({Group(u"銀行"_s, {Item(u"口座"_s, u"1234"_s),
                                                    Secret(u"暗証"_s, u"hidden-value"_s)}),
                                  Group(u"Mail"_s, {Item(u"a/b\tc"_s, u"changed"_s)})})));
    // The restore itself was kept: the merged state is version 1 now.
    EXPECT_EQ(files.run({"diff", "1"}).out, u"+ /銀行/\n"_s);
    EXPECT_EQ(files.run({"restore", "3"}).status, 1);  // only two versions
    ASSERT_EQ(files.run({"restore", "2"}).status, 0);  // the whole version before the merge
    EXPECT_EQ(Text(ReadDataFile(files.data, kKey)), Text(Sample()));
    // A data file deleted by mistake comes back whole.
    ASSERT_TRUE(QFile::remove(files.data));
    ASSERT_EQ(files.run({"restore", "1"}).status, 0);
    EXPECT_FALSE(ReadDataFile(files.data, kKey).isNull());

    // A version that does not open under the key, and one that cannot be read, are listed so.
    const std::vector<KeptVersion> versions = files.versions();
    ASSERT_EQ(versions.size(), 3u);
    QFile::resize(versions[1].path, 0);
    ASSERT_TRUE(WriteDataFile(versions[2].path, Sample(), u"another"_s));
    const CliRun listed = files.run({"versions"});
    const QStringList lines = listed.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << listed.out.toStdString();
    EXPECT_TRUE(lines[1].startsWith(u"2\t"_s) && lines[1].endsWith(u"\tunreadable"_s));
    EXPECT_TRUE(lines[2].startsWith(u"3\t"_s) && lines[2].endsWith(u"\tother key"_s));
    EXPECT_EQ(files.run({"diff", "3"}).status, 1);
}

}  // namespace
