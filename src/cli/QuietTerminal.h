#pragma once

#include <termios.h>

#include <csignal>
#include <iterator>

// Terminal echo off while the key is typed at a prompt, and back on whatever ends or stops the
// program meanwhile. For its lifetime:
// - SIGINT (Ctrl+C), SIGQUIT, SIGTERM and SIGHUP turn the echo back on, break the line and then
//   end the program as the signal does by default (the shell sees the usual status);
// - SIGTSTP (Ctrl+Z) turns the echo back on and stops the program; on SIGCONT the echo goes off
//   again, the prompt is shown again and the key is read on.
// A signal that was ignored before is left ignored (nohup). The previous handlers and the
// terminal's settings come back when the object is destroyed. One object at a time.
class QuietTerminal {
public:
    // `prompt` (kept, not copied: a literal) is what is shown again after a stop.
    QuietTerminal(int fd, const char* prompt);
    ~QuietTerminal();
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

    // Whether the echo could be turned off (the file descriptor is a terminal).
    bool active() const { return active_; }

private:
    static constexpr int kSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
    struct sigaction previous_[std::size(kSignals)]{};
    bool installed_[std::size(kSignals)]{};
    bool active_ = false;
};
