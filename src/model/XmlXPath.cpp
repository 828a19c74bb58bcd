#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "LibXmlRuntime.h"
#include "XmlInternal.h"

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
