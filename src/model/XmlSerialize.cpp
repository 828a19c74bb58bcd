#include <libxml/xmlsave.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "diag/SecureWipe.h"
#include "model/LibXmlRuntime.h"
#include "model/XmlDocument.h"
#include "model/XmlInternal.h"

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

// What libxml2 would write so that it reads back differently, mended while the document is
// written and undone afterwards, in one walk over the tree:
// - libxml2 indents the children of every element that holds no text, while reading drops only
//   the indentation of elements that hold elements: an element holding nothing but comments or
//   processing instructions would read back with blanks added to it, an item's value among them.
//   An empty text node makes libxml2 write such an element as it stands.
// - libxml2 writes a namespace declaration's name between quotes as it stands: a "<" in it makes
//   the text unreadable, and a tab, line feed or carriage return reads back as a blank. Such a
//   name is replaced by a copy with these characters as references. Every other character, "&"
//   and quotes among them, already reads back as it was (an "&" is held as the reference "&#38;").
class WriteAsItReadsBack {
public:
    explicit WriteAsItReadsBack(xmlDocPtr doc) {
        try {
            const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
            for (xmlNodePtr cur = top->children; cur; cur = xmlimpl::NextInTree(cur, top)) {
                if (cur->type != XML_ELEMENT_NODE) continue;
                if (cur->children && HoldsOnlyMarkup(cur)) Prepend(doc, cur);
                for (xmlNsPtr ns = cur->nsDef; ns; ns = ns->next)
                    if (NeedsReferences(ns->href)) Replace(ns);
            }
        } catch (...) {
            Undo();
            throw;
        }
    }
    ~WriteAsItReadsBack() { Undo(); }
    WriteAsItReadsBack(const WriteAsItReadsBack&) = delete;
    WriteAsItReadsBack& operator=(const WriteAsItReadsBack&) = delete;

private:
    static bool HoldsOnlyMarkup(xmlNodePtr element) {
        for (xmlNodePtr c = element->children; c; c = c->next)
            if (c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE) return false;
        return true;
    }
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
    // Room first, so that a change once made is always recorded.
    template <typename T>
    static void MakeRoom(std::vector<T>& list) {
        if (list.size() == list.capacity()) list.reserve(2 * list.size() + 8);
    }
    void Prepend(xmlDocPtr doc, xmlNodePtr element) {
        MakeRoom(added_);
        xmlNodePtr text = xmlNewDocText(doc, BAD_CAST "");
        if (!text) throw XmlError(XmlError::kOutOfMemory);
        // Linked by hand: libxml2's own insertion may merge text nodes.
        text->parent = element;
        text->next = element->children;
        element->children->prev = text;
        element->children = text;
        added_.push_back(text);
    }
    void Replace(xmlNsPtr ns) {
        QByteArray written;
        for (const xmlChar* c = ns->href; *c; ++c) {
            if (const char* reference = Reference(*c))
                written.append(reference);
            else
                written.append(static_cast<char>(*c));
        }
        MakeRoom(replaced_);
        xmlChar* copy = xmlStrndup(reinterpret_cast<const xmlChar*>(written.constData()),
                                   static_cast<int>(written.size()));
        if (!copy) throw XmlError(XmlError::kOutOfMemory);
        replaced_.push_back({ns, ns->href});
        ns->href = copy;
    }
    void Undo() {
        for (xmlNodePtr text : added_) {
            xmlUnlinkNode(text);
            xmlFreeNode(text);
        }
        added_.clear();
        for (const auto& [ns, original] : replaced_) {
            xmlFree(const_cast<xmlChar*>(ns->href));
            ns->href = original;
        }
        replaced_.clear();
    }

    std::vector<xmlNodePtr> added_;
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
    const WriteAsItReadsBack mended(holder->doc);
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
