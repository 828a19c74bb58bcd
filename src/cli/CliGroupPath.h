#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "model/DocumentState.h"

// Group paths on the command line: the names of the groups below the root group, each preceded
// by "/" ("/銀行/ネット"); "/" alone is the root group. Inside a name "/" is written "\/", and "\"
// and the control characters are written as in a listing (CliEscape.h: "\\", "\t", "\x1B", ...).

// The names of a path, outermost first; nullopt when the path does not start with "/" or holds a
// "\" that does not start one of those escapes.
std::optional<QStringList> ParseGroupPath(const QString& path);

// The path of the names (outermost first); "/" for none. It holds no control character, and
// ParseGroupPath gives the names back.
QString FormatGroupPath(const QStringList& names);

// The group the names lead to from the root group, taking the first group of each name in
// document order as the desktop program's lookups do; a null handle when there is none.
XmlNode ResolveGroupPath(const DocumentState& state, const QStringList& names);

// The group that the longest first part of names leading to a group leads to, as
// ResolveGroupPath finds it for that part, and in found how many names that part holds; a null
// handle when there is not even the root group.
XmlNode ResolveLongestGroupPath(const DocumentState& state, const QStringList& names,
                                qsizetype& found);

// Whether the desktop program can select group in its tree by walking the labels down from the
// root group: every group on the way, the group itself included, has a non-empty name and is the
// first group of that name among its parent's children. Such a group is also the one
// ResolveGroupPath finds for its names. The root group must be a group element.
bool SelectableByLabels(const XmlNode& group, const XmlNode& root);

// The names of the groups from below the root group down to group (empty for the root group).
QStringList GroupNamesOf(const XmlNode& group, const XmlNode& root);
