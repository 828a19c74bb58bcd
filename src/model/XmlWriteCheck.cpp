// What a document needs so that its written text reads back as the same document.
#include <libxml/encoding.h>
#include <libxml/tree.h>

#include <QSet>
#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "model/LibXmlRuntime.h"
#include "model/XmlDocument.h"
#include "model/XmlInternal.h"

namespace {

QByteArray Bytes(const xmlChar* text) {
    return QByteArray(text ? reinterpret_cast<const char*>(text) : "");
}

QByteArray QualifiedName(const xmlNs* ns, const xmlChar* local) {
    if (ns && ns->prefix) return Bytes(ns->prefix) + ':' + Bytes(local);
    return Bytes(local);
}

bool IsUnicodeLabel(const QString& encoding) {
    for (const char* label : {"utf-8", "utf8", "utf-16", "utf-16le", "utf-16be"})
        if (encoding.compare(QLatin1String(label), Qt::CaseInsensitive) == 0) return true;
    return false;
}

// Tells whether an encoding holds a text exactly: what its encoder cannot write, libxml2 turns
// into a character reference, and a text that comes back from encoder and decoder unchanged
// needed none.
class EncodingProbe {
public:
    explicit EncodingProbe(const QString& encoding) : everything_(IsUnicodeLabel(encoding)) {
        if (everything_) return;
        const QByteArray name = encoding.toLatin1();
        handler_ = xmlFindCharEncodingHandler(name.constData());
        if (!handler_)
            throw XmlError(XmlError::kFail,
                           QStringLiteral("unsupported encoding %1").arg(encoding));
    }
    ~EncodingProbe() {
        if (handler_) xmlCharEncCloseFunc(handler_);
    }
    EncodingProbe(const EncodingProbe&) = delete;
    EncodingProbe& operator=(const EncodingProbe&) = delete;

    bool holds(const QByteArray& utf8) {
        if (everything_ || IsAscii(utf8) || held_.contains(utf8)) return true;
        xmlBufferPtr in = xmlBufferCreate();
        xmlBufferPtr encoded = xmlBufferCreate();
        xmlBufferPtr back = xmlBufferCreate();
        if (!in || !encoded || !back) {
            Free({in, encoded, back});
            throw XmlError(XmlError::kOutOfMemory);
        }
        xmlBufferAdd(in, reinterpret_cast<const xmlChar*>(utf8.constData()),
                     static_cast<int>(utf8.size()));
        bool same = xmlCharEncOutFunc(handler_, encoded, in) >= 0 && xmlBufferLength(in) == 0 &&
                    xmlCharEncInFunc(handler_, back, encoded) >= 0 &&
                    xmlBufferLength(back) == utf8.size() &&
                    std::memcmp(xmlBufferContent(back), utf8.constData(), utf8.size()) == 0;
        Free({in, encoded, back});
        if (same) held_.insert(utf8);
        return same;
    }

private:
    static bool IsAscii(const QByteArray& utf8) {
        for (char c : utf8)
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        return true;
    }
    static void Free(std::initializer_list<xmlBufferPtr> buffers) {
        for (xmlBufferPtr b : buffers)
            if (b) xmlBufferFree(b);
    }

    const bool everything_;
    xmlCharEncodingHandlerPtr handler_ = nullptr;
    QSet<QByteArray> held_;  // names repeat: each is tried once
};

// The first name or raw text of `node` itself that the probe finds unheld.
std::optional<XmlUnwritable> UnwritableIn(xmlNodePtr node, EncodingProbe& probe) {
    auto name = [&](const QByteArray& text) -> std::optional<XmlUnwritable> {
        if (probe.holds(text)) return std::nullopt;
        return XmlUnwritable{XmlUnwritable::Kind::Name, QString::fromUtf8(text)};
    };
    auto raw = [&](const xmlChar* content) -> std::optional<XmlUnwritable> {
        const QByteArray text = Bytes(content);
        if (probe.holds(text)) return std::nullopt;
        return XmlUnwritable{XmlUnwritable::Kind::Text, QString::fromUtf8(text)};
    };
    switch (node->type) {
        case XML_ELEMENT_NODE:
            if (auto found = name(QualifiedName(node->ns, node->name))) return found;
            for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next)
                if (ns->prefix)
                    if (auto found = name(Bytes(ns->prefix))) return found;
            for (xmlAttrPtr a = node->properties; a; a = a->next)
                if (auto found = name(QualifiedName(a->ns, a->name))) return found;
            return std::nullopt;
        case XML_PI_NODE:
            if (auto found = name(Bytes(node->name))) return found;
            return raw(node->content);
        case XML_COMMENT_NODE:
        case XML_CDATA_SECTION_NODE:
            return raw(node->content);
        default:
            return std::nullopt;
    }
}

bool SameNamespace(const xmlNs* a, const xmlNs* b) {
    if (!a || !b) return a == b;
    return xmlStrEqual(a->prefix, b->prefix) && xmlStrEqual(a->href, b->href);
}

QByteArray AttributeValue(xmlAttrPtr a) {
    xmlChar* value = xmlNodeListGetString(a->doc, a->children, 1);
    QByteArray bytes = Bytes(value);
    if (value) xmlFree(value);
    return bytes;
}

bool SameElementHead(xmlNodePtr a, xmlNodePtr b) {
    if (!xmlStrEqual(a->name, b->name) || !SameNamespace(a->ns, b->ns)) return false;
    xmlNsPtr na = a->nsDef;
    xmlNsPtr nb = b->nsDef;
    for (; na && nb; na = na->next, nb = nb->next)
        if (!SameNamespace(na, nb)) return false;
    if (na || nb) return false;
    xmlAttrPtr aa = a->properties;
    xmlAttrPtr ab = b->properties;
    for (; aa && ab; aa = aa->next, ab = ab->next)
        if (!xmlStrEqual(aa->name, ab->name) || !SameNamespace(aa->ns, ab->ns) ||
            AttributeValue(aa) != AttributeValue(ab))
            return false;
    return !aa && !ab;
}

bool SameText(const xmlChar* a, const xmlChar* b) {
    return xmlStrEqual(a ? a : BAD_CAST "", b ? b : BAD_CAST "");
}

bool SameNode(xmlNodePtr a, xmlNodePtr b) {
    if (a->type != b->type) return false;
    switch (a->type) {
        case XML_ELEMENT_NODE:
            return SameElementHead(a, b);
        case XML_PI_NODE:
            return xmlStrEqual(a->name, b->name) && SameText(a->content, b->content);
        default:
            return SameText(a->content, b->content);
    }
}

// The name attribute, or else the name, of `node` or of its nearest element ancestor.
QString Describe(xmlNodePtr node) {
    while (node && node->type != XML_ELEMENT_NODE) node = node->parent;
    if (!node) return QStringLiteral("#document");
    if (xmlChar* name = xmlGetNoNsProp(node, BAD_CAST "name")) {
        QString text = QString::fromUtf8(reinterpret_cast<const char*>(name));
        xmlFree(name);
        return text;
    }
    return QString::fromUtf8(QualifiedName(node->ns, node->name));
}

}  // namespace

std::optional<XmlUnwritable> XmlDocument::findUnwritable(const QString& encoding) const {
    const auto& holder = XmlAccess::require(*this);
    xmlrt::EnsureLibXml();
    EncodingProbe probe(encoding);
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(holder->doc);
    for (xmlNodePtr node = top->children; node; node = xmlimpl::NextInTree(node, top))
        if (auto found = UnwritableIn(node, probe)) return found;
    return std::nullopt;
}

int XmlDocument::depth() const {
    const auto& holder = XmlAccess::require(*this);
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(holder->doc);
    int deepest = 0;
    int level = 1;  // of `node`: the document's children are level 1
    xmlNodePtr node = top->children;
    while (node) {
        if (node->type == XML_ELEMENT_NODE) {
            deepest = std::max(deepest, level);
            if (node->children) {
                node = node->children;
                ++level;
                continue;
            }
        }
        while (node != top && !node->next) {
            node = node->parent;
            --level;
        }
        if (node == top) break;
        node = node->next;
    }
    return deepest;
}

bool XmlDocument::sameContent(const XmlDocument& other, QString* where) const {
    const auto& mine = XmlAccess::require(*this);
    const auto& theirs = XmlAccess::require(other);
    xmlrt::EnsureLibXml();
    auto differ = [where](xmlNodePtr at) {
        if (where) *where = Describe(at);
        return false;
    };
    // Both trees walked side by side in document order; a and b are the next nodes to compare,
    // pa and pb their parents.
    xmlNodePtr pa = reinterpret_cast<xmlNodePtr>(mine->doc);
    xmlNodePtr pb = reinterpret_cast<xmlNodePtr>(theirs->doc);
    xmlNodePtr a = pa->children;
    xmlNodePtr b = pb->children;
    for (;;) {
        if (!a || !b) {
            if (a || b) return differ(a ? a : pa);
            if (pa->type == XML_DOCUMENT_NODE) return true;
            a = pa->next;
            b = pb->next;
            pa = pa->parent;
            pb = pb->parent;
            continue;
        }
        if (!SameNode(a, b)) return differ(a);
        if (a->type == XML_ELEMENT_NODE) {
            pa = a;
            pb = b;
            a = a->children;
            b = b->children;
            continue;
        }
        a = a->next;
        b = b->next;
    }
}
