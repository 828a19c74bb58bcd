#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

#include "CliIo.h"

// An item named on the command line: the group path, "/" and the item's name.
struct CliItemPath {
    QStringList groups;  // outermost first; empty for the root group
    QString item;
};

// The command's one PATH/ITEM argument; nullopt after a usage message naming the command.
std::optional<CliItemPath> ItemPathArgument(const QCommandLineParser& parser, CliIo& io,
                                            const char* command);

// The value of the first plain or secret item of that name in the group, after the key; nullopt
// after the message (wrong key, no such group or item, unreadable data file).
std::optional<QString> LoadItemValue(const QCommandLineParser& parser, CliIo& io,
                                     const CliItemPath& path);
