#include "diag/ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

#include "diag/MemoryReuse.h"
#include "diag/SecureWipe.h"

void HardenProcess() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, SIG_IGN);
}

int RunHardened(int argc, char** argv, int (*run)(int argc, char** argv)) {
    HardenProcess();
    KeepFreedMemoryForReuse();
    // Also for a way out through exit(), after the destructors of the objects made since.
    std::atexit(WipeUsedStack);
    const int code = run(argc, argv);
    WipeUsedStack();
    return code;
}
