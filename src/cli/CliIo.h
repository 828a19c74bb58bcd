#pragma once

#include <QString>
#include <QTextStream>
#include <functional>
#include <optional>

// One line of input read for a command (a key or a value), or why there is none.
struct CliLine {
    enum class Status {
        Read,     // text holds the line without its line break
        End,      // the input ended before a line
        TooLong,  // longer than kLongestInputLine bytes; the rest was not read
        NotUtf8,  // not valid UTF-8
    };
    Status status = Status::End;
    QString text;
};

// The longest line read from standard input, in bytes.
inline constexpr qsizetype kLongestInputLine = 4 * 1024 * 1024;

// Where a command reads its key and writes its output. The real tool binds these to the terminal
// and the standard streams; tests bind them to strings.
struct CliIo {
    QTextStream& out;
    QTextStream& err;
    // Reads the key: Read with its text, End when none could be read (end of input), TooLong past
    // kLongestInputLine bytes.
    std::function<CliLine()> readKey;
    // Reads the next line: on a terminal asked for with prompt (without echo when hidden),
    // otherwise the next line of standard input. Unset: no more input.
    std::function<CliLine(const QString& prompt, bool hidden)> readLine = {};
    // Runs once a changing command has read what it is to replace, under the data file's lock:
    // tests change the file behind its back there, as a program that takes no lock would (a
    // synchronising tool). Unset in the real tool.
    std::function<void()> afterRead = {};
    // Messages written to the error stream so far.
    int messagesWritten = 0;
};

// Reads the key: asked for without echo on a terminal, else the first line of standard input with
// its line break removed.
CliLine ReadKeyFromConsole();

// The console's readLine.
CliLine ReadLineFromConsole(const QString& prompt, bool hidden);
