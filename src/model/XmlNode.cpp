#include "model/XmlNode.h"

#include <libxml/tree.h>

#include "model/LibXmlRuntime.h"
#include "model/XmlInternal.h"

using xmlimpl::CopyTree;
using xmlimpl::FromXmlUtf8;
using xmlimpl::LinkLast;
using xmlimpl::ToXmlUtf8;

namespace {

const xmlChar* Utf8(const QByteArray& bytes) {
    return reinterpret_cast<const xmlChar*>(bytes.constData());
}

[[noreturn]] void Refuse(const char* why) {
    throw XmlError(XmlError::kFail, QString::fromUtf8(why));
}

bool CanHoldChildren(xmlNodePtr node) {
    return node->type == XML_ELEMENT_NODE || node->type == XML_DOCUMENT_NODE;
}

bool CanBeChild(xmlNodePtr node) {
    switch (node->type) {
        case XML_ELEMENT_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            return true;
        default:
            return false;
    }
}

void Unlink(xmlNodePtr node) {
    if (node->parent) {
        if (node->parent->children == node) node->parent->children = node->next;
        if (node->parent->last == node) node->parent->last = node->prev;
    }
    if (node->prev) node->prev->next = node->next;
    if (node->next) node->next->prev = node->prev;
    node->parent = node->prev = node->next = nullptr;
}

void LinkInPlaceOf(xmlNodePtr old, xmlNodePtr child) {
    child->parent = old->parent;
    child->prev = old->prev;
    child->next = old->next;
    if (old->prev)
        old->prev->next = child;
    else
        old->parent->children = child;
    if (old->next)
        old->next->prev = child;
    else
        old->parent->last = child;
    old->parent = old->prev = old->next = nullptr;
}

bool IsSelfOrAncestor(xmlNodePtr candidate, xmlNodePtr node) {
    // A node without children can only contain itself; this keeps building deep trees linear.
    if (!candidate->children) return candidate == node;
    for (xmlNodePtr n = node; n; n = n->parent)
        if (n == candidate) return true;
    return false;
}

bool HasElementChild(xmlNodePtr parent, xmlNodePtr except) {
    for (xmlNodePtr c = parent->children; c; c = c->next)
        if (c != except && c->type == XML_ELEMENT_NODE) return true;
    return false;
}

// The node that will be inserted under `parent` for `child`: the child itself when it belongs
// to the same document (taken out of its place), else a deep copy made for this document.
// `replacing` is the child it will replace, if any.
xmlNodePtr PrepareInsert(const std::shared_ptr<XmlDocHolder>& holder, xmlNodePtr parent,
                         xmlNodePtr child, xmlNodePtr replacing) {
    if (!CanHoldChildren(parent)) Refuse("this node cannot hold children");
    if (!CanBeChild(child)) Refuse("this node cannot be inserted as a child");
    if (parent->type == XML_DOCUMENT_NODE) {
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            Refuse("text cannot be placed outside the document element");
        if (child->type == XML_ELEMENT_NODE && HasElementChild(parent, replacing) &&
            !(child->parent == parent))
            Refuse("the document already has a document element");
    }
    if (child->doc != holder->doc) {
        xmlNodePtr copy = CopyTree(child, holder->doc);
        holder->keepOutside(copy);
        return copy;
    }
    if (IsSelfOrAncestor(child, parent)) Refuse("a node cannot be inserted into itself");
    Unlink(child);
    holder->keepOutside(child);
    return child;
}

// A moved element may use namespace prefixes declared on its old ancestors; declare them again
// where needed so that the serialised document stays well-formed.
void KeepNamespacesDeclared(xmlNodePtr node) {
    if (node->type == XML_ELEMENT_NODE && node->doc) xmlReconciliateNs(node->doc, node);
}

}  // namespace

xmlNodePtr XmlAccess::raw(const XmlNode& n) {
    return n.node_;
}

const std::shared_ptr<XmlDocHolder>& XmlAccess::holder(const XmlNode& n) {
    return n.holder_;
}

XmlNode XmlAccess::wrap(const std::shared_ptr<XmlDocHolder>& holder, xmlNodePtr node) {
    return node ? XmlNode(holder, node) : XmlNode();
}

xmlNodePtr XmlAccess::require(const XmlNode& n) {
    if (!n.node_) throw XmlError(XmlError::kPointer);
    return n.node_;
}

bool XmlNode::isElement() const {
    return XmlAccess::require(*this)->type == XML_ELEMENT_NODE;
}

bool XmlNode::isDocument() const {
    return XmlAccess::require(*this)->type == XML_DOCUMENT_NODE;
}

QString xmlimpl::NodeName(const xmlNode* n) {
    switch (n->type) {
        case XML_ELEMENT_NODE:
        case XML_ATTRIBUTE_NODE: {
            QString local = FromXmlUtf8(n->name);
            if (n->ns && n->ns->prefix) return FromXmlUtf8(n->ns->prefix) + u':' + local;
            return local;
        }
        case XML_TEXT_NODE:
            return QStringLiteral("#text");
        case XML_CDATA_SECTION_NODE:
            return QStringLiteral("#cdata-section");
        case XML_COMMENT_NODE:
            return QStringLiteral("#comment");
        case XML_DOCUMENT_NODE:
            return QStringLiteral("#document");
        default:
            return FromXmlUtf8(n->name);
    }
}

QString XmlNode::name() const {
    return xmlimpl::NodeName(XmlAccess::require(*this));
}

QString XmlNode::namespaceUri() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if ((n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE) && n->ns)
        return FromXmlUtf8(n->ns->href);
    return {};
}

std::optional<QString> XmlNode::attribute(QAnyStringView attributeName) const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (n->type != XML_ELEMENT_NODE) return std::nullopt;
    xmlrt::EnsureLibXml();
    const QByteArray key = attributeName.toString().toUtf8();
    xmlChar* value = xmlGetNoNsProp(n, Utf8(key));
    if (!value) {
        if (!xmlHasNsProp(n, Utf8(key), nullptr)) return std::nullopt;
        return QString();
    }
    QString result = FromXmlUtf8(value);
    xmlFree(value);
    return result;
}

void XmlNode::setAttribute(QAnyStringView attributeName, const QString& value) const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (n->type != XML_ELEMENT_NODE) Refuse("only elements have attributes");
    xmlrt::EnsureLibXml();
    const QByteArray key = attributeName.toString().toUtf8();
    if (xmlValidateName(Utf8(key), 0) != 0) Refuse("invalid attribute name");
    // xmlSetNsProp stores the value as plain text; '&' is not taken as an entity reference.
    if (!xmlSetNsProp(n, nullptr, Utf8(key), Utf8(ToXmlUtf8(value))))
        throw XmlError(XmlError::kOutOfMemory);
}

QString XmlNode::text() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    xmlrt::EnsureLibXml();
    xmlChar* content = xmlNodeGetContent(n);
    QString result = FromXmlUtf8(content);
    if (content) xmlFree(content);
    return result;
}

void XmlNode::setText(const QString& text) const {
    const xmlNodePtr n = XmlAccess::require(*this);
    xmlrt::EnsureLibXml();
    const QByteArray utf8 = ToXmlUtf8(text);
    switch (n->type) {
        case XML_ELEMENT_NODE: {
            while (xmlNodePtr child = n->children) {
                Unlink(child);
                holder_->keepOutside(child);
            }
            if (utf8.isEmpty()) return;
            xmlNodePtr textNode =
                xmlNewDocTextLen(n->doc, Utf8(utf8), static_cast<int>(utf8.size()));
            if (!textNode) throw XmlError(XmlError::kOutOfMemory);
            LinkLast(n, textNode);
            return;
        }
        case XML_ATTRIBUTE_NODE:
            if (!n->parent || !xmlSetNsProp(n->parent, n->ns, n->name, Utf8(utf8)))
                throw XmlError(XmlError::kOutOfMemory);
            return;
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_COMMENT_NODE:
        case XML_PI_NODE:
            // For these node types libxml2 stores the content as given.
            xmlNodeSetContentLen(n, Utf8(utf8), static_cast<int>(utf8.size()));
            return;
        default:
            Refuse("this node has no text of its own");
    }
}

XmlNode XmlNode::parent() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (n->type == XML_ATTRIBUTE_NODE) return {};
    return XmlAccess::wrap(holder_, n->parent);
}

XmlNode XmlNode::parentElement() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (n->type == XML_ATTRIBUTE_NODE || !n->parent || n->parent->type != XML_ELEMENT_NODE)
        return {};
    return XmlAccess::wrap(holder_, n->parent);
}

XmlNode XmlNode::firstChild() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    // An attribute's text nodes are not handed out: libxml2 frees them when the value changes.
    if (!CanHoldChildren(n)) return {};
    return XmlAccess::wrap(holder_, n->children);
}

XmlNode XmlNode::nextSibling() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (n->type == XML_ATTRIBUTE_NODE || n->type == XML_DOCUMENT_NODE) return {};
    return XmlAccess::wrap(holder_, n->next);
}

bool XmlNode::isInTree() const {
    xmlNodePtr n = XmlAccess::require(*this);
    if (n->type == XML_ATTRIBUTE_NODE) n = n->parent;
    while (n && n->type != XML_DOCUMENT_NODE) n = n->parent;
    return n != nullptr;
}

XmlNode XmlNode::appendChild(const XmlNode& child) const {
    const xmlNodePtr parent = XmlAccess::require(*this);
    const xmlNodePtr source = XmlAccess::require(child);
    xmlrt::EnsureLibXml();
    xmlNodePtr inserted = PrepareInsert(holder_, parent, source, nullptr);
    LinkLast(parent, inserted);
    KeepNamespacesDeclared(inserted);
    return XmlAccess::wrap(holder_, inserted);
}

XmlNode XmlNode::removeChild(const XmlNode& child) const {
    const xmlNodePtr parent = XmlAccess::require(*this);
    const xmlNodePtr node = XmlAccess::require(child);
    if (node->parent != parent || node->type == XML_ATTRIBUTE_NODE)
        Refuse("the node is not a child of this node");
    Unlink(node);
    holder_->keepOutside(node);
    return child;
}

XmlNode XmlNode::replaceChild(const XmlNode& newChild, const XmlNode& oldChild) const {
    const xmlNodePtr parent = XmlAccess::require(*this);
    const xmlNodePtr source = XmlAccess::require(newChild);
    const xmlNodePtr old = XmlAccess::require(oldChild);
    if (old->parent != parent || old->type == XML_ATTRIBUTE_NODE)
        Refuse("the node to replace is not a child of this node");
    if (source == old) return oldChild;
    xmlrt::EnsureLibXml();
    xmlNodePtr inserted = PrepareInsert(holder_, parent, source, old);
    LinkInPlaceOf(old, inserted);
    KeepNamespacesDeclared(inserted);
    holder_->keepOutside(old);
    return oldChild;
}

XmlNode XmlNode::cloneDeep() const {
    const xmlNodePtr n = XmlAccess::require(*this);
    if (!CanBeChild(n)) Refuse("this node cannot be cloned");
    xmlrt::EnsureLibXml();
    xmlNodePtr copy = CopyTree(n, holder_->doc);
    holder_->keepOutside(copy);
    return XmlAccess::wrap(holder_, copy);
}

XmlNode XmlNode::selectSingleNode(const QString& xpath) const {
    return xmlimpl::FirstElement(selectNodes(xpath));
}

QList<XmlNode> XmlNode::selectNodes(const QString& xpath) const {
    const xmlNodePtr n = XmlAccess::require(*this);
    return xmlimpl::EvaluateXPath(holder_, n, xpath);
}
