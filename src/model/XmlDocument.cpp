#include "model/XmlDocument.h"

#include <libxml/tree.h>

#include <algorithm>

#include "model/LibXmlRuntime.h"
#include "model/XmlInternal.h"

XmlDocHolder::~XmlDocHolder() {
    // Nodes outside the tree are freed with their outermost detached ancestor; a recorded node
    // that went back into the tree (or under another detached node) is freed with that. Roots are
    // collected before anything is freed.
    std::sort(outside.begin(), outside.end());
    outside.erase(std::unique(outside.begin(), outside.end()), outside.end());
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr n : outside)
        if (!n->parent) roots.push_back(n);
    for (xmlNodePtr n : roots) xmlFreeNode(n);
    xmlFreeDoc(doc);
}

const std::shared_ptr<XmlDocHolder>& XmlAccess::holder(const XmlDocument& d) {
    return d.holder_;
}

XmlDocument XmlAccess::wrap(std::shared_ptr<XmlDocHolder> holder) {
    return XmlDocument(std::move(holder));
}

const std::shared_ptr<XmlDocHolder>& XmlAccess::require(const XmlDocument& d) {
    if (!d.holder_) throw XmlError(XmlError::kPointer);
    return d.holder_;
}

// Defined here, with the document it returns: the node's unit does not include the document's
// header, which includes the node's.
XmlDocument XmlNode::document() const {
    XmlAccess::require(*this);
    return XmlAccess::wrap(holder_);
}

XmlDocument XmlDocument::createEmpty() {
    xmlrt::EnsureLibXml();
    xmlDocPtr doc = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!doc) throw XmlError(XmlError::kOutOfMemory);
    return XmlDocument(std::make_shared<XmlDocHolder>(doc));
}

XmlNode XmlDocument::node() const {
    const auto& holder = XmlAccess::require(*this);
    return XmlAccess::wrap(holder, reinterpret_cast<xmlNodePtr>(holder->doc));
}

XmlNode XmlDocument::documentElement() const {
    const auto& holder = XmlAccess::require(*this);
    return XmlAccess::wrap(holder, xmlDocGetRootElement(holder->doc));
}

XmlNode XmlDocument::createElement(QAnyStringView name) const {
    const auto& holder = XmlAccess::require(*this);
    xmlrt::EnsureLibXml();
    const QByteArray utf8 = name.toString().toUtf8();
    const auto* xname = reinterpret_cast<const xmlChar*>(utf8.constData());
    if (xmlValidateName(xname, 0) != 0)
        throw XmlError(XmlError::kFail, QStringLiteral("invalid element name"));
    xmlNodePtr element = xmlNewDocNode(holder->doc, nullptr, xname, nullptr);
    if (!element) throw XmlError(XmlError::kOutOfMemory);
    holder->keepOutside(element);
    return XmlAccess::wrap(holder, element);
}

XmlNode XmlDocument::appendChild(const XmlNode& child) const {
    return node().appendChild(child);
}

XmlNode XmlDocument::selectSingleNode(const QString& xpath) const {
    return node().selectSingleNode(xpath);
}

QList<XmlNode> XmlDocument::selectNodes(const QString& xpath) const {
    return node().selectNodes(xpath);
}
