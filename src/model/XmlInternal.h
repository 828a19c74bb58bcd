#pragma once

// Internal to the XML wrapper: the shared document holder and raw access to handles.

#include <libxml/tree.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "diag/XmlError.h"

class XmlDocument;
class XmlNode;

// Owns one libxml2 document together with every node that was created for it or taken out of
// its tree. Such nodes are only recorded here and freed with the document, so a handle can never
// point at freed memory.
struct XmlDocHolder {
    explicit XmlDocHolder(xmlDocPtr d) : doc(d) {}
    ~XmlDocHolder();
    XmlDocHolder(const XmlDocHolder&) = delete;
    XmlDocHolder& operator=(const XmlDocHolder&) = delete;

    // Records a node that is (or may later be) outside the tree.
    void keepOutside(xmlNodePtr node) { outside.push_back(node); }

    xmlDocPtr doc;
    std::vector<xmlNodePtr> outside;
};

// Raw access to the handles. Each side is defined with its class (XmlNode.cpp, XmlDocument.cpp),
// so that this header needs neither public header and the node's unit never includes the
// document's.
struct XmlAccess {
    static xmlNodePtr raw(const XmlNode& n);
    static const std::shared_ptr<XmlDocHolder>& holder(const XmlNode& n);
    static const std::shared_ptr<XmlDocHolder>& holder(const XmlDocument& d);
    // A handle to node in the holder's document; a null handle for nullptr.
    static XmlNode wrap(const std::shared_ptr<XmlDocHolder>& holder, xmlNodePtr node);
    static XmlDocument wrap(std::shared_ptr<XmlDocHolder> holder);
    // The node of a handle, the holder of a document; a null handle raises XmlError(kPointer).
    static xmlNodePtr require(const XmlNode& n);
    static const std::shared_ptr<XmlDocHolder>& require(const XmlDocument& d);
};

namespace xmlimpl {

// Text as libxml2 stores it: UTF-8, with every character that XML 1.0 cannot hold replaced.
QByteArray ToXmlUtf8(const QString& text);
QString FromXmlUtf8(const xmlChar* text);

// The node's name as XmlNode::name() gives it: "prefix:local" for an element or attribute,
// "#text", "#cdata-section", "#comment", "#document", else libxml2's name.
QString NodeName(const xmlNode* n);

// Evaluates `xpath` with `context` as context node; all nodes of the result in document order.
QList<XmlNode> EvaluateXPath(const std::shared_ptr<XmlDocHolder>& holder, xmlNodePtr context,
                             const QString& xpath);
XmlNode FirstElement(const QList<XmlNode>& nodes);

// The node after `node` in document order within the document `top`: its first child if it is an
// element with children, else the next sibling of it or of its nearest ancestor that has one;
// nullptr at the end. Walks over the whole tree use it, so that no depth exhausts the stack.
inline xmlNodePtr NextInTree(xmlNodePtr node, xmlNodePtr top) {
    if (node->type == XML_ELEMENT_NODE && node->children) return node->children;
    while (node != top && !node->next) node = node->parent;
    return node == top ? nullptr : node->next;
}

// Links child as the last child of parent, without libxml2's merging of adjacent text nodes,
// which would free a node a handle may refer to.
inline void LinkLast(xmlNodePtr parent, xmlNodePtr child) {
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

// A copy of `source` (with its attributes, without its children) for `doc`, linked as the last
// child of `parent` when one is given, else outside any tree. libxml2 gives a copied element a
// declaration of its own for a namespace declared on an ancestor of the original; where the
// copy's new ancestors already declare the same, it is dropped again, so that the copy is
// written as its original was. Raises XmlError(kOutOfMemory).
xmlNodePtr CopyNode(const xmlNode* source, xmlDocPtr doc, xmlNodePtr parent = nullptr);

// The same with all its descendants, copied node by node along the tree: libxml2's own deep copy
// recurses once per level and overflows the stack on very deep trees. On failure nothing of the
// copy remains.
xmlNodePtr CopyTree(const xmlNode* source, xmlDocPtr doc, xmlNodePtr parent = nullptr);

}  // namespace xmlimpl
