#pragma once

#include <QAnyStringView>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

struct _xmlNode;
class XmlDocument;
struct XmlDocHolder;

// A handle to one node of an XML document. Handles share ownership of their document: a handle
// stays valid after its node left the tree (removed or replaced) and after the program replaced
// its document, and nodes are only freed together with the last handle to their document.
// Handles compare by node identity. Every operation on a null handle, or with a null handle where
// a node is required, raises XmlError(kPointer); a failing libxml2 call raises XmlError with the
// engine's message. Operations on a handle are not synchronised: one document, one thread.
class XmlNode {
public:
    XmlNode() = default;

    bool isNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }
    friend bool operator==(const XmlNode& a, const XmlNode& b) { return a.node_ == b.node_; }

    // The document the node belongs to (also for a node outside the tree).
    XmlDocument document() const;

    bool isElement() const;
    bool isDocument() const;
    // Element name with its prefix, if any; "#text", "#cdata-section", "#comment", "#document"
    // or the target of a processing instruction for other nodes; an attribute's name.
    QString name() const;
    // Namespace of an element, empty when it has none.
    QString namespaceUri() const;

    // The value of the attribute without namespace called `attributeName`, or nullopt when the
    // element has none (also for nodes that are not elements).
    std::optional<QString> attribute(QAnyStringView attributeName) const;
    // Sets or replaces an attribute of an element; a node that is not an element raises.
    void setAttribute(QAnyStringView attributeName, const QString& value) const;

    // The node's whole text: for an element all text and CDATA below it in document order (an
    // item's value), for an attribute its value, for a text node its content.
    QString text() const;
    // Replaces the node's whole content by one text node (none for an empty text). Children that
    // are replaced leave the tree but stay valid for handles that still refer to them.
    void setText(const QString& text) const;

    // Navigation; a null handle where there is no such node. The parent of the document element
    // is the document node; parentElement() gives only element parents.
    XmlNode parent() const;
    XmlNode parentElement() const;
    XmlNode firstChild() const;
    XmlNode nextSibling() const;
    // True while the node hangs in its document's tree (reachable from the document node).
    bool isInTree() const;

    // Appends `child` as the last child and returns the node that was appended. A node of this
    // document is moved (taken out of its place first); a node of another document is copied
    // deeply and the copy appended. Appending a node into itself or its own subtree, a second
    // document element, or to a node that cannot hold children raises XmlError.
    XmlNode appendChild(const XmlNode& child) const;
    // Takes `child` out of this node and returns it; it must be a child of this node.
    XmlNode removeChild(const XmlNode& child) const;
    // Puts `newChild` (moved or copied as for appendChild) where `oldChild` is and returns
    // `oldChild`, which leaves the tree.
    XmlNode replaceChild(const XmlNode& newChild, const XmlNode& oldChild) const;
    // A deep copy outside the tree: the node, its attributes and everything below it.
    XmlNode cloneDeep() const;

    // XPath 1.0 evaluated with this node as the context node. selectSingleNode gives the first
    // node of the result in document order, kept only when it is an element; selectNodes gives
    // all nodes in document order. A syntax error, or an expression whose value is not a node
    // set, raises XmlError(kFail) with libxml2's message.
    XmlNode selectSingleNode(const QString& xpath) const;
    QList<XmlNode> selectNodes(const QString& xpath) const;

private:
    friend struct XmlAccess;
    XmlNode(std::shared_ptr<XmlDocHolder> holder, _xmlNode* node)
        : holder_(std::move(holder)), node_(node) {}

    std::shared_ptr<XmlDocHolder> holder_;
    _xmlNode* node_ = nullptr;
};
