#include "items/clipboard/DisplayProbe.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

constexpr auto kProbeTime = std::chrono::seconds(10);

}  // namespace

bool CanOpenDisplay(int argc, char** argv) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        // Qt's complaints about a missing display would only confuse: the caller says it plainly.
        if (const int null = open("/dev/null", O_WRONLY); null >= 0) dup2(null, STDERR_FILENO);
        QGuiApplication probe(argc, argv);
        _exit(0);
    }
    const auto deadline = std::chrono::steady_clock::now() + kProbeTime;
    int status = 0;
    while (true) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool HasSharedClipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}
