// zetrova-cli on deep documents, as one run of the command does it (the process start aside), at
// depths 1x, 2x and 4x: mkdir --parents of a chain of new groups, and merge of two chains that
// conflict at every level (the counter is what the conflict list writes).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli/CliCommands.h"
#include "storage/KeyVerifier.h"
#include "support/DataFiles.h"

namespace {

const QString kKey = QStringLiteral("bench-key");

// A settings file and a data file holding xml in a new folder.
struct Files {
    explicit Files(const QString& xml) {
        if (!WriteDataFile(data(), xml, kKey)) return;
        QFile file(ini());
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write("[CONFIG]\nDATA=Zetrova.dat\nKEY=" + MakeKeyVerifier(kKey).toLatin1() + "\n");
        ok = true;
    }
    QString ini() const { return dir.filePath(QStringLiteral("Zetrova.ini")); }
    QString data() const { return dir.filePath(QStringLiteral("Zetrova.dat")); }
    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
    bool ok = false;
};

// Runs one command on the files; the key is the bench key. Returns the exit status; out gets
// what it wrote to standard output.
int Run(const Files& files, QStringList args, QString& out) {
    QString err;
    QTextStream outStream(&out), errStream(&err);
    CliIo io{outStream, errStream, [] { return CliLine{CliLine::Status::Read, kKey}; }};
    args << QStringLiteral("--ini") << files.ini();
    const int status = RunCli(args, io);
    outStream.flush();
    return status;
}

// The data text of a chain of depth groups named g below the root group, each holding the item a
// valued value.
QString Chain(int depth, const QString& value) {
    QString text = QStringLiteral("<group name=\"root\">");
    for (int level = 0; level < depth; ++level)
        text += QStringLiteral("<group name=\"g\"><item name=\"a\">%1</item>").arg(value);
    for (int level = 0; level <= depth; ++level) text += QStringLiteral("</group>");
    return text;
}

void BM_CliMkdirParents(benchmark::State& state) {
    const auto depth = static_cast<int>(state.range(0));
    QString path;
    for (int level = 0; level < depth; ++level) path += QStringLiteral("/g");
    for (auto _ : state) {
        state.PauseTiming();
        Files files(QStringLiteral("<group name=\"root\"/>"));
        QString out;
        state.ResumeTiming();
        if (!files.ok ||
            Run(files, {QStringLiteral("mkdir"), QStringLiteral("--parents"), path}, out) != 0)
            state.SkipWithError("mkdir failed");
    }
    state.SetComplexityN(depth);
}
BENCHMARK(BM_CliMkdirParents)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_CliMergeDeepConflicts(benchmark::State& state) {
    const auto depth = static_cast<int>(state.range(0));
    qsizetype written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Files files(Chain(depth, QStringLiteral("1")));
        const QString other = files.file("other.dat");
        if (!WriteDataFile(other, Chain(depth, QStringLiteral("2")), kKey)) files.ok = false;
        QString out;
        state.ResumeTiming();
        if (!files.ok || Run(files, {QStringLiteral("merge"), other}, out) != 0)
            state.SkipWithError("merge failed");
        written = out.toUtf8().size();
    }
    state.counters["out_bytes"] = static_cast<double>(written);
    state.SetComplexityN(depth);
}
BENCHMARK(BM_CliMergeDeepConflicts)
    ->Arg(3000)
    ->Arg(6000)
    ->Arg(12000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
