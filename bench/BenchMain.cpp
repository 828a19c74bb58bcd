#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "diag/MemoryReuse.h"

// The benchmarks that fill widgets need an application object; headless unless told otherwise.
// The programs' own allocator settings, so that each operation is timed as they run it.
int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    // The versions the saves keep stay in a folder of their own, never in the user's.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
