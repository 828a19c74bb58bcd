// Writes the seed corpus of the fuzz targets into the folder given as argument (tests/fuzz/corpus):
// documents built and written by the program's own functions, a settings file as the program
// writes it and one as a Windows editor leaves it, and short inputs for the byte-driven targets.

#include <QDir>
#include <QFile>
#include <cstdio>

#include "items/ProfileFile.h"
#include "model/Schema.h"
#include "storage/DataFileCodec.h"
#include "support/Documents.h"

using namespace Qt::StringLiterals;

namespace {

QString corpus;

template <std::size_t N>
QByteArray Bytes(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

void Put(const char* target, const char* name, const QByteArray& bytes) {
    const QString dir = corpus + u'/' + QLatin1String(target);
    QDir().mkpath(dir);
    QFile file(dir + u'/' + QLatin1String(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
}

XmlDocument SampleDocument() {
    return BuildDocument({
        Group(u"銀行"_s, {Item(u"口座"_s, u"1234-567"_s), Secret(u"暗証"_s, u"p@ss'w\"rd<&>"_s),
                          Group(u"ネット"_s, {Item(u"URL"_s, u"https://example.jp/?a=1&b=2"_s)})}),
        Group(u"Mail"_s, {Item(u"メモ"_s, u"line1\r\nline2\ttab  "_s)}),
        Group(u"mailbox"_s),
        Group(u"a'b"_s, {Item(u"記号"_s, u"é😀①～"_s)}),
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS-FOLDER\n");
        return 2;
    }
    corpus = QString::fromLocal8Bit(argv[1]);
    const XmlDocument sample = SampleDocument();
    Put("data_file", "new-document", SerializeDocument(schema::CreateNewDocument()));
    Put("data_file", "sample", SerializeDocument(sample));
    Put("xml_import", "export-shift-jis.xml", sample.serialize(QStringLiteral("Shift_JIS")));
    Put("xml_import", "utf-8.xml", sample.serialize(QStringLiteral("UTF-8")));
    Put("cp932", "export", Bytes("\x03\x05") + sample.serialize(QStringLiteral("Shift_JIS")));
    Put("cp932", "extensions", Bytes("\x00\x00\x81\x60\x87\x40\xED\x40\xFA\x40\x82\xA0\xA6\x5C"));

    ProfileFile settings = ProfileFile::Load(QStringLiteral("/nonexistent/Zetrova.ini"));
    settings.setValue(u"CONFIG", u"DATA", u"/home/user/Zetrova.dat");
    settings.setValue(u"CONFIG", u"KEY", u"0A1B2C3D");
    settings.setValue(u"CONFIG", u"ONTASKBAR", u"1");
    Put("settings_file", "written", Bytes("\x00\x02\x01\x05") + settings.toBytes());
    Put("settings_file", "windows",
        Bytes("\x03\x08\x03\x0B\xEF\xBB\xBF; settings\r\n[CONFIG]\r\n DATA = "
              "\"C:\\Data\\Zetrova.dat\"\r\n"
              "KEY=0A1B\r\n\r\n[Other]\r\nx=y"));

    Put("group_search", "nested",
        Bytes("\x04\x01\x00\x05\x01\x04\x03\x02\x06\x07\x0B\x0D\x00\x09"));
    Put("group_search", "siblings",
        Bytes("\x01\x00\x05\x02\x08\x04\x0F\x02\x01\x07\x13\x0A\x00\x0E"));
    // Base steps (count, then op, name, value each), then ours' and theirs' edits (count, then
    // op, target, name, value each, a move one more byte).
    Put("merge", "both-change-one-item",
        Bytes("\x03\x00\x00\x00\x03\x01\x00\x03\x02\x01"
              "\x01\x03\x02\x00\x01"
              "\x01\x03\x02\x00\x02"));
    Put("merge", "delete-and-change",
        Bytes("\x05\x00\x00\x00\x03\x00\x00\x0B\x01\x01\x02\x00\x00\x0D\x00\x03"
              "\x02\x02\x02\x00\x00\x05\x01\x01\x00"
              "\x02\x03\x02\x00\x03\x04\x03\x00\x00"));
    Put("merge", "moves-and-adds",
        Bytes("\x08\x00\x00\x00\x01\x01\x00\x02\x00\x00\x08\x02\x01\x03\x01\x02"
              "\x02\x00\x00\x05\x00\x03\x0E\x00\x03"
              "\x03\x06\x03\x00\x00\x00\x00\x00\x01\x05\x07\x02\x00\x03"
              "\x03\x06\x01\x00\x00\x04\x09\x00\x02\x02\x04\x05\x00\x00"));
    return 0;
}
