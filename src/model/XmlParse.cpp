#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QFile>
#include <climits>

#include "LibXmlRuntime.h"
#include "SecureWipe.h"
#include "XmlDocument.h"
#include "XmlInternal.h"

namespace {

// Options common to both kinds of parsing: never the network, entities left unexpanded (none can
// be declared anyway, see RefuseDoctype), no DTD loading, attribute defaulting or validation.
constexpr int kCommonOptions = XML_PARSE_NONET;
// The data file is the program's own output: lift the size and depth limits and read the text as
// the Unicode it is, whatever encoding its declaration names.
constexpr int kDataFileOptions = kCommonOptions | XML_PARSE_HUGE | XML_PARSE_IGNORE_ENC;
// An import must read whatever an export wrote, so libxml2's size limits (10 MB of text in one
// node) are lifted for it too; its depth has the program's own bound instead of libxml2's 256.
constexpr int kImportOptions = kCommonOptions | XML_PARSE_HUGE;

thread_local bool doctypeRefused = false;
thread_local int depthLimit = 0;  // 0: none
thread_local bool depthExceeded = false;

// Called by the parser at <!DOCTYPE ...>, before any declaration inside it is read. The program
// never writes a DTD; refusing it closes the door on entity expansion bombs, external entities
// and external DTD references in one place, and no entity reference node can ever reach the tree.
void RefuseDoctype(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    doctypeRefused = true;
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
}

// Called by the parser at every start tag; refuses an element below depthLimit levels before its
// node is made.
void StartElementWithinLimit(void* context, const xmlChar* localName, const xmlChar* prefix,
                             const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                             int attributeCount, int defaultedCount, const xmlChar** attributes) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    if (parser->nodeNr >= depthLimit) {
        depthExceeded = true;
        xmlStopParser(parser);
        return;
    }
    xmlSAX2StartElementNs(context, localName, prefix, uri, namespaceCount, namespaces,
                          attributeCount, defaultedCount, attributes);
}

bool IsBlank(const xmlChar* text) {
    if (!text) return true;
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
    return true;
}

// Removes the whitespace-only text nodes of elements that also hold elements: the indentation of
// a written file. An element without element children keeps its text, so an item whose whole
// value is blanks keeps it. Walks the tree without recursion, whatever its depth.
void DropIndentation(xmlDocPtr doc) {
    const xmlNodePtr top = reinterpret_cast<xmlNodePtr>(doc);
    for (xmlNodePtr cur = top->children; cur; cur = xmlimpl::NextInTree(cur, top)) {
        if (cur->type == XML_ELEMENT_NODE) {
            bool hasElement = false;
            for (xmlNodePtr c = cur->children; c && !hasElement; c = c->next)
                hasElement = c->type == XML_ELEMENT_NODE;
            if (hasElement) {
                for (xmlNodePtr c = cur->children; c;) {
                    xmlNodePtr next = c->next;
                    if (c->type == XML_TEXT_NODE && IsBlank(c->content)) {
                        xmlUnlinkNode(c);
                        xmlFreeNode(c);
                    }
                    c = next;
                }
            }
        }
    }
}

XmlParseResult Failure(const QString& message) {
    return {XmlDocument(), message};
}

// `maxDepth` 0: no bound on the nesting of elements.
XmlParseResult Parse(const char* data, qsizetype size, const QByteArray& url, const char* encoding,
                     int options, int maxDepth) {
    xmlrt::EnsureLibXml();
    xmlrt::ErrorCapture capture;
    if (size > INT_MAX) return Failure(QStringLiteral("the document is too large"));
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) throw XmlError(XmlError::kOutOfMemory);
    context->sax->internalSubset = RefuseDoctype;
    doctypeRefused = false;
    depthLimit = maxDepth;
    depthExceeded = false;
    if (maxDepth > 0) context->sax->startElementNs = StartElementWithinLimit;
    xmlDocPtr doc = xmlCtxtReadMemory(context, data, static_cast<int>(size),
                                      url.isEmpty() ? nullptr : url.constData(), encoding, options);
    const bool refused = doctypeRefused;
    const bool tooDeep = depthExceeded;
    xmlFreeParserCtxt(context);
    if (refused || tooDeep) {
        if (doc) xmlFreeDoc(doc);
        if (tooDeep)
            return Failure(QStringLiteral("the elements nest deeper than %1 levels").arg(maxDepth));
        return Failure(QStringLiteral("DOCTYPE declarations are not accepted"));
    }
    if (!doc)
        return Failure(capture.hasError() ? capture.message()
                                          : QStringLiteral("the text is not well-formed XML"));
    if (!xmlDocGetRootElement(doc)) {
        xmlFreeDoc(doc);
        return Failure(QStringLiteral("the document has no document element"));
    }
    DropIndentation(doc);
    return {XmlAccess::wrap(std::make_shared<XmlDocHolder>(doc)), QString()};
}

}  // namespace

XmlParseResult XmlDocument::parseDataText(const QString& text) {
    QStringView view(text);
    if (const qsizetype zero = view.indexOf(QChar(0)); zero >= 0) view = view.left(zero);
    if (view.startsWith(QChar(0xFEFF))) view = view.mid(1);
    QByteArray utf8 = view.toUtf8();
    const WipeOnExit wipeUtf8(utf8);  // the whole document in clear
    return Parse(utf8.constData(), utf8.size(), QByteArray(), "UTF-8", kDataFileOptions, 0);
}

XmlParseResult XmlDocument::parseFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    QByteArray bytes = file.readAll();
    const WipeOnExit wipeBytes(bytes);  // an import holds every secret in clear
    if (file.error() != QFileDevice::NoError)
        return Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return parseBytes(bytes, path);
}

XmlParseResult XmlDocument::parseBytes(const QByteArray& bytes, const QString& sourceName) {
    return Parse(bytes.constData(), bytes.size(), sourceName.toUtf8(), nullptr, kImportOptions,
                 kImportDepthLimit);
}
