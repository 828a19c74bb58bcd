#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <map>
#include <string>

#include "fuzz/FuzzTarget.h"

namespace {

std::map<std::string, FuzzEntry>& Targets() {
    static std::map<std::string, FuzzEntry> targets;
    return targets;
}

}  // namespace

bool RegisterFuzzTarget(const char* name, FuzzEntry entry) {
    Targets()[name] = entry;
    return true;
}

// The fuzz targets without libFuzzer: each one's seed corpus and every input a fuzz run found
// and kept (tests/fuzz/regressions/<target>) must keep their properties, so that a fixed fault
// stays fixed. A failing input aborts the program after its name was printed.
TEST(FuzzReplay, SeedsAndKeptFindingsKeepTheirProperties) {
    const QString fuzzDir =
        qEnvironmentVariable("ZETROVA_SOURCE_DIR") + QStringLiteral("/tests/fuzz");
    ASSERT_EQ(Targets().size(), 6u);
    for (const auto& [name, entry] : Targets()) {
        int seeds = 0;
        for (const char* folder : {"corpus", "regressions"}) {
            const QDir dir(fuzzDir + u'/' + QLatin1String(folder) + u'/' +
                           QString::fromStdString(name));
            for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
                QFile file(info.filePath());
                ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << info.filePath().toStdString();
                const QByteArray bytes = file.readAll();
                std::printf("%s\n", qPrintable(info.filePath()));
                std::fflush(stdout);
                entry(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                      static_cast<std::size_t>(bytes.size()));
                seeds += folder[0] == 'c';
            }
        }
        EXPECT_GE(seeds, 2) << name << " has no seed corpus";
    }
}
