#include <libxml/xmlsave.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "LibXmlRuntime.h"
#include "SecureWipe.h"
#include "XmlDocument.h"
#include "XmlInternal.h"

namespace {

// Collects the writer's output. The buffer is grown by hand, the old one wiped, so that no
// released allocation keeps a part of the text (the document's secrets in clear).
int AppendBytes(void* context, const char* buffer, int length) {
    auto& text = *static_cast<QByteArray*>(context);
    if (text.size() + length > text.capacity()) {
        QByteArray larger;
        larger.reserve(std::max(2 * text.capacity(), text.size() + length));
        larger.append(text);
        Wipe(text);
        text.swap(larger);
    }
    text.append(buffer, length);
    return length;
}

int CloseNothing(void*) {
    return 0;
}

bool IsEncodingLabel(const QString& name) {
    if (name.isEmpty()) return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                        (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.' || u == ':';
        if (!ok) return false;
    }
    return true;
}

// libxml2 indents the children of every element that holds no text, while reading drops only the
// indentation of elements that hold elements: an element holding nothing but comments or
// processing instructions would read back with blanks added to it, an item's value among them.
// An empty text node makes libxml2 write such an element as it stands; these nodes are there only
// while the document is written.
class KeepMarkupUnindented {
public:
    explicit KeepMarkupUnindented(xmlDocPtr doc) {
        try {
            const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
            for (xmlNodePtr cur = top->children; cur; cur = xmlimpl::NextInTree(cur, top))
                if (cur->type == XML_ELEMENT_NODE && cur->children && HoldsOnlyMarkup(cur))
                    Prepend(doc, cur);
        } catch (...) {
            RemoveAdded();
            throw;
        }
    }
    ~KeepMarkupUnindented() { RemoveAdded(); }
    KeepMarkupUnindented(const KeepMarkupUnindented&) = delete;
    KeepMarkupUnindented& operator=(const KeepMarkupUnindented&) = delete;

private:
    static bool HoldsOnlyMarkup(xmlNodePtr element) {
        for (xmlNodePtr c = element->children; c; c = c->next)
            if (c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE) return false;
        return true;
    }
    void Prepend(xmlDocPtr doc, xmlNodePtr element) {
        // Room first, so that a node once linked is always recorded.
        if (added_.size() == added_.capacity()) added_.reserve(2 * added_.size() + 8);
        xmlNodePtr text = xmlNewDocText(doc, BAD_CAST "");
        if (!text) throw XmlError(XmlError::kOutOfMemory);
        // Linked by hand: libxml2's own insertion may merge text nodes.
        text->parent = element;
        text->next = element->children;
        element->children->prev = text;
        element->children = text;
        added_.push_back(text);
    }
    void RemoveAdded() {
        for (xmlNodePtr text : added_) {
            xmlUnlinkNode(text);
            xmlFreeNode(text);
        }
        added_.clear();
    }

    std::vector<xmlNodePtr> added_;
};

// libxml2 writes a namespace declaration's name between quotes as it stands: a "<" in it makes the
// text unreadable, and a tab, line feed or carriage return reads back as a blank. While the
// document is written, such a name is replaced by a copy with these characters as references,
// which read back as the characters themselves. Every other character, "&" and quotes among them,
// already reads back as it was (an "&" is held as the reference "&#38;").
class KeepNamespaceNamesExact {
public:
    explicit KeepNamespaceNamesExact(xmlDocPtr doc) {
        try {
            const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
            for (xmlNodePtr cur = top->children; cur; cur = xmlimpl::NextInTree(cur, top))
                if (cur->type == XML_ELEMENT_NODE)
                    for (xmlNsPtr ns = cur->nsDef; ns; ns = ns->next)
                        if (NeedsReferences(ns->href)) Replace(ns);
        } catch (...) {
            Restore();
            throw;
        }
    }
    ~KeepNamespaceNamesExact() { Restore(); }
    KeepNamespaceNamesExact(const KeepNamespaceNamesExact&) = delete;
    KeepNamespaceNamesExact& operator=(const KeepNamespaceNamesExact&) = delete;

private:
    static const char* Reference(xmlChar c) {
        switch (c) {
            case '<':
                return "&lt;";
            case '\t':
                return "&#9;";
            case '\n':
                return "&#10;";
            case '\r':
                return "&#13;";
            default:
                return nullptr;
        }
    }
    static bool NeedsReferences(const xmlChar* href) {
        for (const xmlChar* c = href; c && *c; ++c)
            if (Reference(*c)) return true;
        return false;
    }
    void Replace(xmlNsPtr ns) {
        QByteArray written;
        for (const xmlChar* c = ns->href; *c; ++c) {
            if (const char* reference = Reference(*c))
                written.append(reference);
            else
                written.append(static_cast<char>(*c));
        }
        if (replaced_.size() == replaced_.capacity()) replaced_.reserve(2 * replaced_.size() + 8);
        xmlChar* copy = xmlStrndup(reinterpret_cast<const xmlChar*>(written.constData()),
                                   static_cast<int>(written.size()));
        if (!copy) throw XmlError(XmlError::kOutOfMemory);
        replaced_.push_back({ns, ns->href});
        ns->href = copy;
    }
    void Restore() {
        for (const auto& [ns, original] : replaced_) {
            xmlFree(const_cast<xmlChar*>(ns->href));
            ns->href = original;
        }
        replaced_.clear();
    }

    std::vector<std::pair<xmlNsPtr, const xmlChar*>> replaced_;
};

}  // namespace

QByteArray XmlDocument::serialize(const QString& encoding) const {
    const auto& holder = XmlAccess::require(*this);
    if (!IsEncodingLabel(encoding))
        throw XmlError(XmlError::kFail, QStringLiteral("invalid encoding name"));
    xmlrt::EnsureLibXml();
    xmlrt::ErrorCapture capture;
    // libxml2's "UTF-16" writes a byte-order mark; the data file has none, so the body is written
    // as UTF-16LE and the declaration names the label the caller asked for.
    const bool utf16 = encoding.compare(u"utf-16", Qt::CaseInsensitive) == 0;
    const QByteArray engineName = utf16 ? QByteArray("UTF-16LE") : encoding.toLatin1();

    QByteArray body;
    const WipeOnExit wipeBody(body);
    const KeepMarkupUnindented unindented(holder->doc);
    const KeepNamespaceNamesExact namespaces(holder->doc);
    xmlSaveCtxtPtr save = xmlSaveToIO(AppendBytes, CloseNothing, &body, engineName.constData(),
                                      XML_SAVE_FORMAT | XML_SAVE_NO_DECL);
    if (!save)
        throw XmlError(XmlError::kFail, QStringLiteral("unsupported encoding %1").arg(encoding));
    const long saved = xmlSaveDoc(save, holder->doc);
    const int closed = xmlSaveClose(save);
    if (saved < 0 || closed < 0)
        throw XmlError(XmlError::kFail, capture.hasError()
                                            ? capture.message()
                                            : QStringLiteral("the document could not be written"));

    const QString declaration =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>\n").arg(encoding);
    QByteArray head;
    if (utf16) {
        head.reserve(declaration.size() * 2);
        for (QChar c : declaration) {
            head.append(static_cast<char>(c.unicode() & 0xFF));
            head.append(static_cast<char>(c.unicode() >> 8));
        }
    } else {
        head = declaration.toLatin1();
    }
    QByteArray text;
    text.reserve(head.size() + body.size());
    text.append(head).append(body);
    return text;
}
