// The settings file: the input chooses a section, a key and a value, and the rest is the file.
// Reading the settings never fails; a file the program may write reads back with the value set
// and every other value as it was, and writes the same bytes again.

#include "fuzz/FuzzTarget.h"
#include "items/ProfileFile.h"
#include "items/Settings.h"

namespace {

// Names with case to fold, brackets, quotes, "=" and ";" where they change a line's meaning.
const char16_t* const kNames[] = {u"CONFIG", u"config", u"DATA",  u"KEY", u"ONTASKBAR",
                                  u"ä",      u"Ä",      u"a]b",   u"[x",  u"k=v",
                                  u";c",     u"\"q\"",  u"\u212A" /* Kelvin sign */};
const char16_t* const kValues[] = {u"",    u"1",  u" 1",     u"\"x\"",  u"'y'",  u"a=b", u"; x",
                                   u"[S]", u"\t", u"日本語", u"\uFEFF", u"x\ry", u"\"z"};

struct Probe {
    QStringView section;
    QStringView key;
};

}  // namespace

ZETROVA_FUZZ_TARGET(settings_file) {
    FuzzInput in(data, size);
    const QString section = QString::fromUtf16(in.pick(kNames));
    const QString key = QString::fromUtf16(in.pick(kNames));
    const QString value =
        QString::fromUtf16(in.pick(kValues)) + QString::fromUtf16(in.pick(kValues));
    const QString path = FuzzFilePath(QStringLiteral("Zetrova.ini"));
    WriteFuzzFile(path, in.rest());

    HeldSettings held;
    ReadSettingsFile(path, QStringLiteral("/default/Zetrova.dat"), held);
    FUZZ_CHECK(!held.dataFilePath.isEmpty());

    ProfileFile file = ProfileFile::Load(path);
    const Probe probes[] = {{u"CONFIG", u"DATA"},
                            {u"CONFIG", u"KEY"},
                            {u"CONFIG", u"ONTASKBAR"},
                            {section, key},
                            {key, section}};
    QString before[std::size(probes)];
    for (std::size_t i = 0; i < std::size(probes); ++i) {
        before[i] = file.value(probes[i].section, probes[i].key);
        FUZZ_CHECK(before[i].size() <= ProfileFile::kMaxValueLength && before[i].isValidUtf16());
    }
    if (file.state() != ProfileFile::State::Loaded && file.state() != ProfileFile::State::Missing)
        return 0;  // never written

    const bool set = file.setValue(section, key, value);
    WriteFuzzFile(path, file.toBytes());
    const ProfileFile reread = ProfileFile::Load(path);
    FUZZ_CHECK(reread.state() == ProfileFile::State::Loaded);
    FUZZ_CHECK(reread.toBytes() == file.toBytes());
    for (std::size_t i = 0; i < std::size(probes); ++i) {
        const bool isSet = set && probes[i].section.compare(section, Qt::CaseInsensitive) == 0 &&
                           probes[i].key.compare(key, Qt::CaseInsensitive) == 0;
        FUZZ_CHECK(reread.value(probes[i].section, probes[i].key) == (isSet ? value : before[i]));
    }
    return 0;
}
