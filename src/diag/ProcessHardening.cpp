#include "diag/ProcessHardening.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "diag/MemoryReuse.h"
#include "diag/SecureWipe.h"

void HardenProcess() {
    KeepStandardDescriptorsTaken();
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

void KeepStandardDescriptorsTaken() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free descriptor is the closed one; where /dev/null is missing (a bare
        // chroot), the root folder stands in: neither can be written.
        int taken = ::open("/dev/null", O_RDONLY);
        if (taken < 0) taken = ::open("/", O_RDONLY | O_DIRECTORY);
        if (taken >= 0 && taken != fd) {
            ::dup2(taken, fd);
            ::close(taken);
        }
    }
}
