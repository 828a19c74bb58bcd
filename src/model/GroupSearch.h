#pragma once

#include <QString>

#include "model/XmlNode.h"

// Searching groups by a part of their name.

// True when `text` occurs in `name` as a contiguous run of UTF-16 code units. Without
// `caseSensitive` the 26 ASCII letters a-z count as A-Z on both sides; no other character is
// folded (full-width letters included). The rule of the XPath search expressions.
bool NameContains(const QString& name, const QString& text, bool caseSensitive);

// The document walk of a search starting at group `start`: its own name, then the first match
// below it, then each following sibling group with its descendants (other elements are passed
// over, a node that is not an element ends the look), then the following sibling groups of each
// ancestor in turn, and at the document element the first match anywhere below it (the
// wrap-around). Only groups match; a group without a name attribute matches no text but the
// empty one, which callers never search for. A null handle, or none found. A null start raises
// XmlError(kPointer).
XmlNode FindGroupByName(const XmlNode& start, const QString& text, bool caseSensitive);

// The next group after `current` that contains `text`, searching forward: each following sibling
// group with its descendants, then the following sibling groups of each ancestor in turn, and at
// the document element the first match anywhere below it (the wrap-around, which reaches the
// groups before `current` and `current` itself). `current`'s own sub-groups come only with the
// wrap-around. When nothing below the document element matches, the document element itself if
// its name does (so a current root group that is the only match is found again). A current group
// that is the last of its siblings is never followed by its parent's own name and whole branch
// again, which would return `current` or an earlier match on every press and never reach the
// matches after it.
// A null `current` raises XmlError(kPointer).
XmlNode FindGroupAfter(const XmlNode& current, const QString& text, bool caseSensitive);

// What "次の検索" finds: with no current group the walk from the root group (its own name first),
// otherwise FindGroupAfter(current). Null when nothing matches or there is no root group.
XmlNode FindNextMatchingGroup(const XmlNode& currentOrNull, const XmlNode& rootOrNull,
                              const QString& text, bool caseSensitive);
