#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

#include "cli/CliDataFile.h"
#include "cli/CliIo.h"
#include "model/DocumentState.h"

// Finding what the command line names: group paths (CliGroupPath.h) and PATH/ITEM.

// An item named on the command line: the group path, "/" and the item's name.
struct CliItemPath {
    QStringList groups;  // outermost first; empty for the root group
    QString item;
};

// The group names of a path argument; nullopt after the usage message, also for a name holding a
// character the data file cannot hold (group_rules::kNameUnstorable).
std::optional<QStringList> ParsePathArgument(const QString& path, CliIo& io);

// Whether every name can be stored as it is; false after kNameUnstorable with typed, the text
// they were read from.
bool NamesStorable(const QStringList& names, const QString& typed, CliIo& io);

// Splits a path argument into PATH/ITEM; nullopt after the usage message naming the command.
std::optional<CliItemPath> ParseItemPath(const QString& argument, CliIo& io, const char* command);

// The command's one PATH/ITEM argument; nullopt after a usage message naming the command.
std::optional<CliItemPath> ItemPathArgument(const QCommandLineParser& parser, CliIo& io,
                                            const char* command);

// The group at the path, or a null handle after the notice "グループが見つかりません".
XmlNode GroupOrNotice(const DocumentState& state, const QStringList& names, CliIo& io);

// The first plain or secret item called name in group, in document order (sub-groups of that
// name are passed over); a null handle when there is none, with the notice "項目が見つかりません"
// when report is set.
XmlNode FindCliItem(const XmlNode& group, const QString& name, CliIo& io, bool report = true);

// An item found on the command line, with the group that holds it.
struct CliItem {
    XmlNode group;
    XmlNode item;
};

// The item at path in the loaded document, or nothing after the notice.
std::optional<CliItem> FindItemAt(const DocumentState& state, const CliItemPath& path, CliIo& io);

// Loads the data file after the key into state and finds the group named by names: the group, or
// a null handle after the message.
XmlNode LoadGroup(const CliDataFiles& files, CliIo& io, const QStringList& names,
                  DocumentState& state);

// Loads the data file after the key into state and finds the item at path: nothing after the
// message (wrong key, no such group or item, unreadable data file).
std::optional<CliItem> LoadItem(const CliDataFiles& files, CliIo& io, const CliItemPath& path,
                                DocumentState& state);
