#pragma once

#include <QString>
#include <QTextStream>
#include <functional>
#include <optional>

// Where a command reads its key and writes its output. The real tool binds these to the terminal
// and the standard streams; tests bind them to strings.
struct CliIo {
    QTextStream& out;
    QTextStream& err;
    // Returns the key, or nothing when none could be read (end of input).
    std::function<std::optional<QString>()> readKey;
};

// Reads the key: asked for without echo on a terminal, else the first line of standard input with
// its line break removed.
std::optional<QString> ReadKeyFromConsole();
