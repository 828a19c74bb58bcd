#pragma once

#include <QString>
#include <QStringList>

#include "model/Schema.h"
#include "model/XmlDocument.h"
#include "model/XmlNode.h"

class QObject;

// The lookups of groups and items. Nothing is cached: every call evaluates its expression on the
// document as it is now, and where names repeat the first match in document order wins. XML
// engine failures raise XmlError and are not caught here.

// The group at `groupPath` (built with xpath::BuildGroupPath), or a null handle. Not found (also
// when there is no document at all): with `report`, the notice "グループが見つかりません".
// This is the core of the main frame's FindCurrentGroup.
XmlNode FindGroupByPath(const XmlDocument& doc, const QString& groupPath, bool report,
                        QObject* owner = nullptr);

// The group that the group path of `labelsTopDown` (xpath::BuildGroupPath) selects, found by a
// walk over the document instead of the XPath engine, whose evaluation recurses once per step
// and fails for paths of a few thousand levels. The result is the XPath's: the first group in
// document order at the end of any chain of groups whose names are the labels, from the
// document element down; an empty list stands for the one empty label. Not found: as
// FindGroupByPath.
XmlNode FindGroupByLabels(const XmlDocument& doc, const QStringList& labelsTopDown, bool report,
                          QObject* owner = nullptr);

// The group that the longest first part of `labelsTopDown` leading to any group selects, as
// FindGroupByLabels would select it for that part, and in `matched` how many labels that part
// holds (0 and a null handle when not even the first label matches; all of them when the whole
// path is there). One walk over the document, whatever the length of the path. Shows nothing.
XmlNode FindDeepestGroupByLabels(const XmlDocument& doc, const QStringList& labelsTopDown,
                                 qsizetype& matched);

// The child of `group` called `name` of the given kind (any element, item or secret), or a
// null handle. Not found: for kinds 0 and 1 the notice "項目が見つかりません"; silently for -1.
// Any other kind: the notice "未知の項目", then XmlError(kPointer). A null group raises
// XmlError(kPointer).
XmlNode FindItem(const XmlNode& group, const QString& name, schema::ItemKind kind,
                 QObject* owner = nullptr);

// The first element child of `group` called `name`, whatever its kind, or a null handle; never
// shows a message. A null group raises XmlError(kPointer).
XmlNode FindChild(const XmlNode& group, const QString& name);
