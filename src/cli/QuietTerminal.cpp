#include "cli/QuietTerminal.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// What the handler works with; set before the handlers are installed. The handler calls only
// async-signal-safe functions.
int quietFd = -1;
termios loudSettings{};   // the terminal's settings before, echo on
termios quietSettings{};  // the same without echo
const char* promptText = "";
struct sigaction promptAction {};

void WriteText(const char* text) {
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, std::strlen(text));
}

void OnPromptSignal(int sig) {
    const int savedErrno = errno;
    tcsetattr(quietFd, TCSANOW, &loudSettings);
    WriteText("\n");
    // The signal's own action: raised while this handler blocks it, it takes effect when it is
    // unblocked, ending the program, or stopping it until SIGCONT.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(sig, &byDefault, nullptr);
    raise(sig);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    // Continued after a stop (or a stop the kernel dropped: a process group without a shell to
    // continue it is not stopped). The settings may have been changed meanwhile (stty): they are
    // taken afresh. The signal mask is restored when the handler returns.
    sigaction(sig, &promptAction, nullptr);
    if (tcgetattr(quietFd, &loudSettings) == 0) {
        quietSettings = loudSettings;
        quietSettings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    }
    tcsetattr(quietFd, TCSANOW, &quietSettings);
    WriteText(promptText);
    errno = savedErrno;
}

// The prompt's signals, blocked while the handlers are put in place or taken away, so that none
// finds the terminal and the handlers half changed.
class BlockedSignals {
public:
    template <std::size_t N>
    explicit BlockedSignals(const int (&signals)[N]) {
        sigset_t set;
        sigemptyset(&set);
        for (int s : signals) sigaddset(&set, s);
        sigprocmask(SIG_BLOCK, &set, &previous_);
    }
    ~BlockedSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_{};
};

}  // namespace

QuietTerminal::QuietTerminal(int fd, const char* prompt) {
    const BlockedSignals blocked(kSignals);
    if (tcgetattr(fd, &loudSettings) != 0) return;
    quietFd = fd;
    promptText = prompt;
    quietSettings = loudSettings;
    quietSettings.c_lflag &= ~static_cast<tcflag_t>(ECHO);

    promptAction = {};
    promptAction.sa_handler = OnPromptSignal;
    sigemptyset(&promptAction.sa_mask);
    for (int s : kSignals) sigaddset(&promptAction.sa_mask, s);
    promptAction.sa_flags = 0;  // no SA_RESTART: the read sees EINTR and reads again
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (sigaction(kSignals[i], nullptr, &previous_[i]) != 0) continue;
        if (previous_[i].sa_handler == SIG_IGN) continue;
        installed_[i] = sigaction(kSignals[i], &promptAction, nullptr) == 0;
    }
    active_ = tcsetattr(fd, TCSAFLUSH, &quietSettings) == 0;
}

QuietTerminal::~QuietTerminal() {
    const BlockedSignals blocked(kSignals);
    if (active_) tcsetattr(quietFd, TCSAFLUSH, &loudSettings);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        if (installed_[i]) sigaction(kSignals[i], &previous_[i], nullptr);
}
