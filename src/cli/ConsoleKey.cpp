#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "CliIo.h"
#include "QuietTerminal.h"
#include "SecureWipe.h"

namespace {

// Reads one line from standard input without the line break ("\n" or "\r\n"). Byte by byte with
// read(2): no stdio buffer keeps a copy of the key, and nothing after the line is consumed. The
// line grows in buffers that are wiped when it outgrows them.
std::optional<std::string> ReadLine() {
    std::string line;
    line.reserve(256);
    bool any = false;
    char c = 0;
    while (true) {
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        any = true;
        if (c == '\n') break;
        if (line.size() == line.capacity()) {
            std::string larger;
            larger.reserve(2 * line.capacity());
            larger = line;
            Wipe(line);
            line.swap(larger);
        }
        line.push_back(c);
    }
    c = 0;
    if (!any) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::optional<QString> ReadKeyFromConsole() {
    std::optional<std::string> line;
    if (isatty(STDIN_FILENO)) {
        static constexpr char kPrompt[] = "キー: ";
        {
            // Echo off before the prompt shows: what is typed after it is neither shown nor
            // thrown away with the input typed ahead.
            const QuietTerminal quiet(STDIN_FILENO, kPrompt);
            std::fputs(kPrompt, stderr);
            std::fflush(stderr);
            line = ReadLine();
        }
        std::fputs("\n", stderr);
    } else {
        line = ReadLine();
    }
    if (!line) return std::nullopt;
    QString key = QString::fromStdString(*line);
    Wipe(*line);
    return key;
}
