#include "diag/ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <csignal>

void HardenProcess() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, SIG_IGN);
}
