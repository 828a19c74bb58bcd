// zetrova-cli add on a data file of 100,000 items: the key check, the load, the change and the
// stamp-checked save, as one run of the command does them (the process start aside).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli/CliCommands.h"
#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"

namespace {

constexpr int kGroups = 1000;
constexpr int kItemsPerGroup = 100;

void CliAddToAHundredThousandItems(benchmark::State& state) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Zetrova.ini"));
    const QString data = dir.filePath(QStringLiteral("Zetrova.dat"));
    const QString key = QStringLiteral("bench-key");
    {
        DocumentState doc;
        CreateRootDocument(doc);
        for (int g = 0; g < kGroups; ++g) {
            XmlNode group = doc.document.createElement(schema::kGroup);
            group.setAttribute(schema::kName, QStringLiteral("g%1").arg(g));
            group = doc.root.appendChild(group);
            for (int i = 0; i < kItemsPerGroup; ++i) {
                XmlNode item = doc.document.createElement(i % 5 ? schema::kItem : schema::kSecret);
                item.setAttribute(schema::kName, QStringLiteral("item%1").arg(i));
                item.setText(QStringLiteral("value-%1-%2-abcdefghij").arg(g).arg(i));
                group.appendChild(item);
            }
        }
        doc.keyVerifier = MakeKeyVerifier(key);
        SaveDataFile(doc, data, false, {});
        QFile file(ini);
        file.open(QIODevice::WriteOnly);
        file.write("[CONFIG]\nDATA=Zetrova.dat\nKEY=" + doc.keyVerifier.toLatin1() + "\n");
    }
    for (auto _ : state) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        CliIo io{outStream, errStream,
                 [&] {
                     return CliLine{CliLine::Status::Read, key};
                 },
                 [](const QString&, bool) {
                     return CliLine{CliLine::Status::Read, QStringLiteral("new value")};
                 }};
        if (RunCli(
                {QStringLiteral("add"), QStringLiteral("/g500/new"), QStringLiteral("--ini"), ini},
                io) != 0)
            state.SkipWithError("add failed");
    }
}
BENCHMARK(CliAddToAHundredThousandItems)->Unit(benchmark::kMillisecond);

}  // namespace
