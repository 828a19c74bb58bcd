#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <vector>

#include "model/LibXmlRuntime.h"
#include "model/XmlDocument.h"
#include "model/XmlInternal.h"

namespace {

bool IsElementCalled(xmlNodePtr node, const xmlChar* name) {
    return node->type == XML_ELEMENT_NODE && !node->ns && xmlStrEqual(node->name, name);
}

// True when the element has the attribute `name` without namespace and its value is `value`.
bool AttributeEquals(xmlNodePtr element, const xmlChar* name, const QByteArray& value) {
    for (xmlAttrPtr a = element->properties; a; a = a->next) {
        if (a->ns || !xmlStrEqual(a->name, name)) continue;
        const xmlNodePtr text = a->children;
        if (!text) return value.isEmpty();
        if (!text->next && text->type == XML_TEXT_NODE)
            return xmlStrEqual(text->content, reinterpret_cast<const xmlChar*>(value.constData()));
        xmlChar* joined = xmlNodeListGetString(element->doc, text, 1);
        const bool equal = xmlStrEqual(joined ? joined : BAD_CAST "",
                                       reinterpret_cast<const xmlChar*>(value.constData()));
        if (joined) xmlFree(joined);
        return equal;
    }
    return false;
}

}  // namespace

XmlNode XmlDocument::selectAttributeChain(QAnyStringView elementName, QAnyStringView attributeName,
                                          const QStringList& values, qsizetype* matched) const {
    const auto& holder = XmlAccess::require(*this);
    if (matched) *matched = 0;
    if (values.isEmpty()) return {};
    xmlrt::EnsureLibXml();
    const QByteArray element = elementName.toString().toUtf8();
    const QByteArray attribute = attributeName.toString().toUtf8();
    std::vector<QByteArray> wanted;
    wanted.reserve(values.size());
    for (const QString& value : values) wanted.push_back(xmlimpl::ToXmlUtf8(value));
    const auto* elementUtf8 = reinterpret_cast<const xmlChar*>(element.constData());
    const auto* attributeUtf8 = reinterpret_cast<const xmlChar*>(attribute.constData());
    auto matches = [&](xmlNodePtr node, size_t level) {
        return IsElementCalled(node, elementUtf8) &&
               AttributeEquals(node, attributeUtf8, wanted[level]);
    };

    // Depth first in document order, entering only elements that match their level: the first
    // one reached at a level is the first in document order there. Back up through the parents.
    const size_t last = wanted.size() - 1;
    size_t level = 0;
    xmlNodePtr parent = reinterpret_cast<xmlNodePtr>(holder->doc);
    xmlNodePtr node = parent->children;
    xmlNodePtr deepest = nullptr;
    for (;;) {
        while (node && !matches(node, level)) node = node->next;
        if (node) {
            if (matched && level + 1 > static_cast<size_t>(*matched)) {
                *matched = static_cast<qsizetype>(level + 1);
                deepest = node;
            }
            if (level == last) return XmlAccess::wrap(holder, node);
            ++level;
            parent = node;
            node = node->children;
            continue;
        }
        if (level == 0) return deepest ? XmlAccess::wrap(holder, deepest) : XmlNode();
        --level;
        node = parent->next;
        parent = parent->parent;
    }
}

namespace xmlimpl {

QList<XmlNode> EvaluateXPath(const std::shared_ptr<XmlDocHolder>& holder, xmlNodePtr context,
                             const QString& xpath) {
    xmlrt::EnsureLibXml();
    xmlrt::ErrorCapture capture;
    xmlXPathContextPtr xpathContext = xmlXPathNewContext(holder->doc);
    if (!xpathContext) throw XmlError(XmlError::kOutOfMemory);
    xpathContext->node = context;
    const QByteArray expression = xpath.toUtf8();
    xmlXPathObjectPtr result = xmlXPathEvalExpression(
        reinterpret_cast<const xmlChar*>(expression.constData()), xpathContext);
    xmlXPathFreeContext(xpathContext);
    if (!result) {
        throw XmlError(XmlError::kFail, capture.hasError()
                                            ? capture.message()
                                            : QStringLiteral("XPath evaluation failed"));
    }
    if (result->type != XPATH_NODESET) {
        xmlXPathFreeObject(result);
        throw XmlError(XmlError::kFail,
                       QStringLiteral("the expression does not evaluate to a node set"));
    }
    QList<XmlNode> nodes;
    if (xmlNodeSetPtr set = result->nodesetval) {
        xmlXPathNodeSetSort(set);
        nodes.reserve(set->nodeNr);
        for (int i = 0; i < set->nodeNr; ++i) {
            xmlNodePtr node = set->nodeTab[i];
            // Namespace nodes are copies owned by the result; they are not handed out.
            if (node && node->type != XML_NAMESPACE_DECL)
                nodes.append(XmlAccess::wrap(holder, node));
        }
    }
    xmlXPathFreeObject(result);
    return nodes;
}

XmlNode FirstElement(const QList<XmlNode>& nodes) {
    if (nodes.isEmpty() || !nodes.front().isElement()) return {};
    return nodes.front();
}

}  // namespace xmlimpl
