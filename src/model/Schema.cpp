#include "model/Schema.h"

namespace schema {

bool IsElementNamed(const XmlNode& node, QStringView name) {
    return !node.isNull() && node.isElement() && node.name() == name &&
           node.namespaceUri().isEmpty();
}

QString NameOf(const XmlNode& element) {
    return element.attribute(kName).value_or(QString());
}

XmlDocument CreateNewDocument() {
    XmlDocument doc = XmlDocument::createEmpty();
    XmlNode root = doc.createElement(kGroup);
    root.setAttribute(kName, QString::fromUtf16(kRootName));
    doc.appendChild(root);
    return doc;
}

}  // namespace schema
