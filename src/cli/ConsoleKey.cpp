#include <unistd.h>

#include <QStringDecoder>
#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/CliIo.h"
#include "cli/QuietTerminal.h"
#include "diag/SecureWipe.h"

namespace {

// Reads one line from standard input without the line break ("\n" or "\r\n"). Byte by byte with
// read(2): no stdio buffer keeps a copy of the key, and nothing after the line is consumed. The
// line grows in buffers that are wiped when it outgrows them. Past kLongestInputLine bytes the
// reading stops and tooLong is set.
std::optional<std::string> ReadLine(bool& tooLong) {
    tooLong = false;
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
        if (static_cast<qsizetype>(line.size()) >= kLongestInputLine) {
            tooLong = true;
            break;
        }
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

// Reads one line, asked for with prompt on a terminal (without echo when hidden). The prompt
// must outlive the call.
std::optional<std::string> ReadConsoleLine(const char* prompt, bool hidden, bool& tooLong) {
    if (!isatty(STDIN_FILENO)) return ReadLine(tooLong);
    if (!hidden) {
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        return ReadLine(tooLong);
    }
    std::optional<std::string> line;
    {
        // Echo off before the prompt shows: what is typed after it is neither shown nor thrown
        // away with the input typed ahead.
        const QuietTerminal quiet(STDIN_FILENO, prompt);
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        line = ReadLine(tooLong);
    }
    std::fputs("\n", stderr);
    return line;
}

}  // namespace

CliLine ReadKeyFromConsole() {
    static constexpr char kKeyPrompt[] = "キー: ";
    bool tooLong = false;
    std::optional<std::string> line = ReadConsoleLine(kKeyPrompt, true, tooLong);
    CliLine key;
    if (!line) return key;
    if (tooLong) {
        Wipe(*line);
        key.status = CliLine::Status::TooLong;
        return key;
    }
    key.status = CliLine::Status::Read;
    key.text = QString::fromStdString(*line);
    Wipe(*line);
    return key;
}

CliLine ReadLineFromConsole(const QString& prompt, bool hidden) {
    bool tooLong = false;
    const QByteArray promptBytes = prompt.toUtf8();
    std::optional<std::string> line = ReadConsoleLine(promptBytes.constData(), hidden, tooLong);
    CliLine result;
    if (!line) return result;
    if (tooLong) {
        Wipe(*line);
        result.status = CliLine::Status::TooLong;
        return result;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    result.text =
        decoder.decode(QByteArrayView(line->data(), static_cast<qsizetype>(line->size())));
    Wipe(*line);
    if (decoder.hasError()) {
        Wipe(result.text);
        result.text.clear();
        result.status = CliLine::Status::NotUtf8;
        return result;
    }
    result.status = CliLine::Status::Read;
    return result;
}
