#include <gtest/gtest.h>

#include <QDir>

#include "items/FolderGuard.h"
#include "items/ProfileFile.h"
#include "support/TempDir.h"

using namespace Qt::StringLiterals;

namespace {

const QString kIni = u"Zetrova.ini"_s;

// UTF-16 bytes of a text, with the byte-order mark first.
QByteArray Utf16Bytes(const QString& text, bool bigEndian) {
    QByteArray out = bigEndian ? QByteArray("\xFE\xFF", 2) : QByteArray("\xFF\xFE", 2);
    for (QChar c : text) {
        const char hi = static_cast<char>(c.unicode() >> 8);
        const char lo = static_cast<char>(c.unicode() & 0xFF);
        out.append(bigEndian ? hi : lo).append(bigEndian ? lo : hi);
    }
    return out;
}

TEST(ProfileFile, NamesIgnoreCaseAndTheFirstMatchWins) {
    TempDir dir;
    dir.write(kIni,
              "[Other]\nDATA=other section\n"
              "[ config ]\n  data = first  \nDATA=second\n"
              "[CONFIG]\nKEY=only in a later section of the same name\n");
    const ProfileFile file = ProfileFile::Load(dir.file(kIni));
    EXPECT_EQ(file.state(), ProfileFile::State::Loaded);
    EXPECT_EQ(file.value(u"CONFIG", u"DATA"), u"first"_s);
    EXPECT_EQ(file.value(u"Config", u"Data"), u"first"_s);
    EXPECT_EQ(file.value(u"other", u"data"), u"other section"_s);
    // Only the first section of a name is searched.
    EXPECT_FALSE(file.contains(u"CONFIG", u"KEY"));
    EXPECT_EQ(file.value(u"CONFIG", u"KEY"), QString());
    EXPECT_EQ(file.value(u"MISSING", u"DATA"), QString());
}

TEST(ProfileFile, BlanksQuotesCommentsAndLinesWithoutValue) {
    TempDir dir;
    dir.write(kIni,
              "[CONFIG]\n"
              ";DATA=commented out\n"
              "DATA\n"
              "DATA=\t C:/My Files/Zetrova.dat \t\n"
              "DQ=\" keeps blanks \"\n"
              "SQ='single'\n"
              "HALF=\"opened only\n"
              "TWICE=\"\"inner\"\"\n"
              "MIXED=\"a'\n"
              "LONE=\"\n"
              "EMPTY=\"\"\n"
              "EQ=a=b\n");
    const ProfileFile file = ProfileFile::Load(dir.file(kIni));
    EXPECT_EQ(file.value(u"CONFIG", u"DATA"), u"C:/My Files/Zetrova.dat"_s);
    EXPECT_EQ(file.value(u"CONFIG", u"DQ"), u" keeps blanks "_s);
    EXPECT_EQ(file.value(u"CONFIG", u"SQ"), u"single"_s);
    EXPECT_EQ(file.value(u"CONFIG", u"HALF"), u"\"opened only"_s);
    EXPECT_EQ(file.value(u"CONFIG", u"TWICE"), u"\"inner\""_s);
    EXPECT_EQ(file.value(u"CONFIG", u"MIXED"), u"\"a'"_s);
    EXPECT_EQ(file.value(u"CONFIG", u"LONE"), u"\""_s);
    EXPECT_EQ(file.value(u"CONFIG", u"EMPTY"), QString());
    EXPECT_EQ(file.value(u"CONFIG", u"EQ"), u"a=b"_s);
}

// A file written on Windows: CRLF line ends and code page 932, with Japanese folder names whose
// second bytes are 0x5C ("表" is 95 5C, "ソ" is 83 5C), the byte of the backslash.
TEST(ProfileFile, ReadsAndRewritesACodePage932FileWithCrlf) {
    TempDir dir;
    const QByteArray cp932 =
        "; \x90\xdd\x92\xe8\r\n"  // "; 設定"
        "[CONFIG]\r\n"
        "DATA=C:\\\x8eR\x93\x63\\\x95\\\x83\\\\Zetrova.dat\r\n"  // C:\山田\表ソ\Zetrova.dat
        "KEY=ABCD\r\n";
    dir.write(kIni, cp932);
    ProfileFile file = ProfileFile::Load(dir.file(kIni));
    EXPECT_EQ(file.state(), ProfileFile::State::Loaded);
    EXPECT_EQ(file.value(u"CONFIG", u"DATA"), u"C:\\山田\\表ソ\\Zetrova.dat"_s);

    ASSERT_TRUE(file.setValue(u"CONFIG", u"KEY", u"0123"));
    ASSERT_TRUE(file.setValue(u"CONFIG", u"ONTASKBAR", u"1"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(dir.read(kIni), QString(u"; 設定\r\n[CONFIG]\r\nDATA=C:\\山田\\表ソ\\Zetrova.dat\r\n"
                                      u"KEY=0123\r\nONTASKBAR=1\r\n"_s)
                                  .toUtf8());
}

TEST(ProfileFile, ReadsUtf16WithByteOrderMark) {
    const QString text = u"[CONFIG]\r\nDATA=/home/山田/データ.dat\r\nKEY=00FF\r\n"_s;
    for (bool bigEndian : {false, true}) {
        TempDir dir;
        dir.write(kIni, Utf16Bytes(text, bigEndian));
        ProfileFile file = ProfileFile::Load(dir.file(kIni));
        EXPECT_EQ(file.state(), ProfileFile::State::Loaded);
        EXPECT_EQ(file.value(u"CONFIG", u"DATA"), u"/home/山田/データ.dat"_s);
        // Written back as UTF-8 without a byte-order mark, the values unchanged.
        ASSERT_TRUE(file.setValue(u"CONFIG", u"KEY", u"1234"));
        ASSERT_TRUE(file.save());
        EXPECT_EQ(dir.read(kIni),
                  u"[CONFIG]\r\nDATA=/home/山田/データ.dat\r\nKEY=1234\r\n"_s.toUtf8());
    }
}

TEST(ProfileFile, ValuesAreCutTo1023Characters) {
    TempDir dir;
    const QString pair = u"😀"_s;  // one character, two UTF-16 code units
    dir.write(kIni, "[CONFIG]\nLONG=" + QByteArray(1500, 'a') + "\nFULL=" + QByteArray(1023, 'b') +
                        "\nQUOTED=\"" + QByteArray(1023, 'c') +
                        "\"\nPAIR=" + (QString(1022, u'd') + pair).toUtf8() + "\n");
    const ProfileFile file = ProfileFile::Load(dir.file(kIni));
    EXPECT_EQ(file.value(u"CONFIG", u"LONG"), QString(1023, u'a'));
    EXPECT_EQ(file.value(u"CONFIG", u"FULL"), QString(1023, u'b'));
    EXPECT_EQ(file.value(u"CONFIG", u"QUOTED"), QString(1023, u'c'));
    // The cut falls inside the pair: the half is dropped rather than left behind.
    EXPECT_EQ(file.value(u"CONFIG", u"PAIR"), QString(1022, u'd'));
}

TEST(ProfileFile, WritingKeepsEverythingElse) {
    TempDir dir;
    dir.write(kIni,
              "; kept comment\n"
              "loose line before any section\n"
              "[Config]\n"
              "  Data = old\n"
              "data=shadowed duplicate\n"
              "; comment inside\n"
              "\n"
              "[OTHER]\n"
              "KEY=other\n"
              "ONTASKBAR=other");  // no line end at the end
    ASSERT_TRUE(WriteProfileStrings(dir.file(kIni), u"CONFIG",
                                    {{u"DATA"_s, u"new"_s}, {u"KEY"_s, u"ABCD"_s}}));
    ASSERT_TRUE(WriteProfileStrings(dir.file(kIni), u"NEW", {{u"K"_s, u"v"_s}}));
    EXPECT_EQ(dir.read(kIni),
              "; kept comment\n"
              "loose line before any section\n"
              "[Config]\n"
              "  Data =new\n"
              "data=shadowed duplicate\n"
              "; comment inside\n"
              "KEY=ABCD\n"
              "\n"
              "[OTHER]\n"
              "KEY=other\n"
              "ONTASKBAR=other\n"
              "\n"
              "[NEW]\n"
              "K=v\n");
}

// A file of one line without a line end: its line shares the text read, which is wiped.
TEST(ProfileFile, AOneLineFileKeepsItsLine) {
    struct Case {
        QByteArray before;
        QByteArray after;
    };
    const Case cases[] = {
        {"[CONFIG]", "[CONFIG]\nKEY=AB\n"},
        {"; only a comment", "; only a comment\n\n[CONFIG]\nKEY=AB\n"},
        {"\xEF\xBB\xBF[CONFIG]", "[CONFIG]\nKEY=AB\n"},
        {Utf16Bytes(u"[CONFIG]"_s, false), "[CONFIG]\nKEY=AB\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.write(kIni, c.before);
        ASSERT_TRUE(WriteProfileStrings(dir.file(kIni), u"CONFIG", {{u"KEY"_s, u"AB"_s}}));
        EXPECT_EQ(dir.read(kIni), c.after) << c.before.toHex().constData();
    }
}

TEST(ProfileFile, CreatesAMissingFileWithLf) {
    TempDir dir;
    ASSERT_TRUE(WriteProfileStrings(dir.file(kIni), u"CONFIG",
                                    {{u"DATA"_s, u"データ.dat"_s}, {u"KEY"_s, u"AB"_s}}));
    EXPECT_EQ(dir.read(kIni), u"[CONFIG]\nDATA=データ.dat\nKEY=AB\n"_s.toUtf8());
}

// Values that reading would change (outer blanks, enclosing quotes) are quoted on writing.
TEST(ProfileFile, AnyOneLineValueReadsBackUnchanged) {
    TempDir dir;
    const QStringList values{u" lead"_s, u"trail\t"_s, u"\"both\""_s, u"'single'"_s,
                             u"\""_s,    u""_s,        u" "_s,        u"a;b=c[d]"_s};
    for (const QString& value : values) {
        ASSERT_TRUE(WriteProfileStrings(dir.file(kIni), u"CONFIG", {{u"DATA"_s, value}}));
        EXPECT_EQ(ReadProfileString(dir.file(kIni), u"config", u"data"), value);
    }
}

TEST(ProfileFile, RefusesWhatCannotBeOneLine) {
    TempDir dir;
    dir.write(kIni, "[CONFIG]\nDATA=old\n");
    const QList<QPair<QString, QString>> bad[] = {
        {{u"DATA"_s, u"line\nbreak"_s}},
        {{u"DATA"_s, u"cr\rhere"_s}},
        {{u"DATA"_s, QString(u'\0')}},
        {{u"A=B"_s, u"x"_s}},
        {{u" "_s, u"x"_s}},
        {{u";DATA"_s, u"x"_s}},
        {{u"[DATA]"_s, u"x"_s}},
        {{u"DATA"_s, QString(QChar(0xD800))}},
    };
    for (const auto& keyValues : bad) {
        // The good first write of the pair must not be saved either.
        QList<QPair<QString, QString>> withGood{{u"KEY"_s, u"new"_s}};
        withGood.append(keyValues);
        EXPECT_FALSE(WriteProfileStrings(dir.file(kIni), u"CONFIG", withGood));
    }
    EXPECT_FALSE(WriteProfileStrings(dir.file(kIni), u"", {{u"KEY"_s, u"x"_s}}));
    EXPECT_FALSE(WriteProfileStrings(dir.file(kIni), u"A\nB", {{u"KEY"_s, u"x"_s}}));
    EXPECT_EQ(dir.read(kIni), QByteArray("[CONFIG]\nDATA=old\n"));
}

TEST(ProfileFile, FailedWritesLeaveTheOldFile) {
    TempDir dir;
    const QByteArray old = "[CONFIG]\nDATA=old\n";
    // Bytes valid neither as UTF-8 nor as code page 932: read as well as can be, never rewritten.
    dir.write(u"bad.ini"_s, "[CONFIG]\nDATA=old\nX=\x81\x0A");
    const ProfileFile bad = ProfileFile::Load(dir.file(u"bad.ini"_s));
    EXPECT_EQ(bad.state(), ProfileFile::State::Undecodable);
    EXPECT_EQ(bad.value(u"CONFIG", u"DATA"), u"old"_s);
    EXPECT_FALSE(WriteProfileStrings(bad.path(), u"CONFIG", {{u"DATA"_s, u"new"_s}}));
    EXPECT_EQ(dir.read(u"bad.ini"_s), QByteArray("[CONFIG]\nDATA=old\nX=\x81\x0A"));

    // A folder where the file should be, and a file where a folder should be.
    ASSERT_TRUE(QDir(dir.path()).mkdir(kIni));
    EXPECT_EQ(ProfileFile::Load(dir.file(kIni)).state(), ProfileFile::State::Unreadable);
    EXPECT_FALSE(WriteProfileStrings(dir.file(kIni), u"CONFIG", {{u"DATA"_s, u"new"_s}}));
    EXPECT_FALSE(WriteProfileStrings(dir.file(u"bad.ini/x.ini"_s), u"C", {{u"K"_s, u"v"_s}}));

    // An unwritable folder keeps the old file as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"locked"_s));
    dir.write(u"locked/"_s + kIni, old);
    const QString locked = dir.file(u"locked/"_s + kIni);
    {
        ReadOnlyFolder guard(dir.file(u"locked"_s));
        if (!guard.usable()) GTEST_SKIP() << "cannot make a folder unwritable here";
        EXPECT_FALSE(WriteProfileStrings(locked, u"CONFIG", {{u"DATA"_s, u"new"_s}}));
    }
    EXPECT_EQ(dir.read(u"locked/"_s + kIni), old);
}

}  // namespace
