#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "CliIo.h"

namespace {

// Reads one line from standard input without the line break ("\n" or "\r\n").
std::optional<std::string> ReadLine() {
    std::string line;
    int c;
    bool any = false;
    while ((c = std::getchar()) != EOF) {
        any = true;
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    if (!any) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    EchoOff() {
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff() {
        if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }

private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace

std::optional<QString> ReadKeyFromConsole() {
    std::optional<std::string> line;
    if (isatty(STDIN_FILENO)) {
        std::fputs("キー: ", stderr);
        std::fflush(stderr);
        {
            EchoOff quiet;
            line = ReadLine();
        }
        std::fputs("\n", stderr);
    } else {
        line = ReadLine();
    }
    if (!line) return std::nullopt;
    return QString::fromStdString(*line);
}
