#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "diag/SecureWipe.h"
#include "model/DataTextUtf8.h"
#include "model/LibXmlRuntime.h"
#include "model/XmlDocument.h"
#include "model/XmlInternal.h"

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

bool IsBlank(const xmlChar* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r') return false;
    return true;
}

bool IsBlank(const xmlChar* text) {
    return !text || IsBlank(text, std::strlen(reinterpret_cast<const char*>(text)));
}

bool HasElementChild(xmlNodePtr node) {
    for (xmlNodePtr c = node->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE) return true;
    return false;
}

// The indentation of a written file is dropped while the tree is built: every whitespace-only
// text node of an element that also holds elements is left out, while an element without element
// children keeps its text, so an item whose whole value is blanks keeps it.
//
// Most such text never becomes a node: a run of blanks that would start a new text node (the
// element has no children yet, or its last child is an element) is held back until the next event
// says what it is. A start tag, or the end of an element that holds elements, drops it; anything
// else (more characters, a comment, an instruction, a CDATA section, the end of an element without
// elements) makes it the text node the parser would have made, in its place. Blank text nodes made
// all the same (after a comment, or merged from several pieces) are removed at the end of their
// element, once its children are known. The parser's own handlers do everything else.
struct IndentationDrop {
    xmlSAXHandler original;
    xmlNodePtr parent = nullptr;  // the element the held-back blanks belong to; none: none held
    std::string blanks;
};
thread_local IndentationDrop* indentation = nullptr;

void ReleaseHeldBlanks(xmlParserCtxtPtr parser) {
    if (!indentation->parent) return;
    indentation->parent = nullptr;
    indentation->original.characters(parser,
                                     reinterpret_cast<const xmlChar*>(indentation->blanks.data()),
                                     static_cast<int>(indentation->blanks.size()));
}

void OnCharacters(void* context, const xmlChar* text, int length) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    ReleaseHeldBlanks(parser);
    xmlNodePtr node = parser->node;
    if (node && node->type == XML_ELEMENT_NODE &&
        (!node->last || node->last->type == XML_ELEMENT_NODE) &&
        IsBlank(text, static_cast<std::size_t>(length))) {
        indentation->parent = node;
        indentation->blanks.assign(reinterpret_cast<const char*>(text),
                                   static_cast<std::size_t>(length));
        return;
    }
    indentation->original.characters(context, text, length);
}

// Called by the parser at every start tag; refuses an element below depthLimit levels before its
// node is made.
void OnStartElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                    const xmlChar* uri, int namespaceCount, const xmlChar** namespaces,
                    int attributeCount, int defaultedCount, const xmlChar** attributes) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    indentation->parent = nullptr;  // blanks before a child element
    if (depthLimit > 0 && parser->nodeNr >= depthLimit) {
        depthExceeded = true;
        xmlStopParser(parser);
        return;
    }
    indentation->original.startElementNs(context, localName, prefix, uri, namespaceCount,
                                         namespaces, attributeCount, defaultedCount, attributes);
}

void OnEndElement(void* context, const xmlChar* localName, const xmlChar* prefix,
                  const xmlChar* uri) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    xmlNodePtr element = parser->node;
    if (element && element->type == XML_ELEMENT_NODE) {
        if (HasElementChild(element)) {
            indentation->parent = nullptr;
            for (xmlNodePtr c = element->children; c;) {
                xmlNodePtr next = c->next;
                if (c->type == XML_TEXT_NODE && IsBlank(c->content)) {
                    xmlUnlinkNode(c);
                    xmlFreeNode(c);
                }
                c = next;
            }
        } else {
            ReleaseHeldBlanks(parser);
        }
    }
    indentation->original.endElementNs(context, localName, prefix, uri);
}

void OnComment(void* context, const xmlChar* text) {
    ReleaseHeldBlanks(static_cast<xmlParserCtxtPtr>(context));
    indentation->original.comment(context, text);
}

void OnProcessingInstruction(void* context, const xmlChar* target, const xmlChar* data) {
    ReleaseHeldBlanks(static_cast<xmlParserCtxtPtr>(context));
    indentation->original.processingInstruction(context, target, data);
}

void OnCData(void* context, const xmlChar* text, int length) {
    ReleaseHeldBlanks(static_cast<xmlParserCtxtPtr>(context));
    indentation->original.cdataBlock(context, text, length);
}

void OnReference(void* context, const xmlChar* name) {
    ReleaseHeldBlanks(static_cast<xmlParserCtxtPtr>(context));
    indentation->original.reference(context, name);
}

// Puts the handlers above in place of the parser's own for one parse.
class IndentationDropScope {
public:
    explicit IndentationDropScope(xmlParserCtxtPtr context) {
        xmlSAXHandler* sax = context->sax;
        state_.original = *sax;
        sax->characters = OnCharacters;
        sax->ignorableWhitespace = OnCharacters;
        sax->startElementNs = OnStartElement;
        sax->endElementNs = OnEndElement;
        if (sax->comment) sax->comment = OnComment;
        if (sax->processingInstruction) sax->processingInstruction = OnProcessingInstruction;
        if (sax->cdataBlock) sax->cdataBlock = OnCData;
        if (sax->reference) sax->reference = OnReference;
        indentation = &state_;
    }
    ~IndentationDropScope() { indentation = nullptr; }
    IndentationDropScope(const IndentationDropScope&) = delete;
    IndentationDropScope& operator=(const IndentationDropScope&) = delete;

private:
    IndentationDrop state_;
};

XmlParseResult Failure(const QString& message) {
    return {XmlDocument(), message};
}

// How the parser gets its text: a whole buffer in memory, or a reader it asks for one piece
// after another.
struct ParseInput {
    const char* data = nullptr;
    qsizetype size = 0;
    const XmlTextReader* reader = nullptr;
};

int ReadPiece(void* context, char* buffer, int length) {
    try {
        return (*static_cast<const XmlTextReader*>(context))(buffer, length);
    } catch (...) {
        return -1;  // nothing may be thrown through the parser; it reports a read failure
    }
}

// `maxDepth` 0: no bound on the nesting of elements.
XmlParseResult Parse(const ParseInput& input, const QByteArray& url, const char* encoding,
                     int options, int maxDepth) {
    xmlrt::EnsureLibXml();
    xmlrt::ErrorCapture capture;
    if (input.size > INT_MAX) return Failure(QStringLiteral("the document is too large"));
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) throw XmlError(XmlError::kOutOfMemory);
    context->sax->internalSubset = RefuseDoctype;
    doctypeRefused = false;
    depthLimit = maxDepth;
    depthExceeded = false;
    xmlDocPtr doc = nullptr;
    {
        const IndentationDropScope dropIndentation(context);
        const char* name = url.isEmpty() ? nullptr : url.constData();
        if (input.reader)
            doc = xmlCtxtReadIO(context, ReadPiece, nullptr,
                                const_cast<XmlTextReader*>(input.reader), name, encoding, options);
        else
            doc = xmlCtxtReadMemory(context, input.data, static_cast<int>(input.size), name,
                                    encoding, options);
    }
    const bool refused = doctypeRefused;
    const bool tooDeep = depthExceeded;
    xmlFreeParserCtxt(context);
    if (refused || tooDeep) {
        if (doc) xmlFreeDoc(doc);
        if (tooDeep)
            return Failure(QStringLiteral("the elements nest deeper than %1 levels").arg(maxDepth));
        XmlParseResult refusal = Failure(QStringLiteral("DOCTYPE declarations are not accepted"));
        refusal.doctype = true;
        return refusal;
    }
    if (!doc)
        return Failure(capture.hasError() ? capture.message()
                                          : QStringLiteral("the text is not well-formed XML"));
    if (!xmlDocGetRootElement(doc)) {
        xmlFreeDoc(doc);
        return Failure(QStringLiteral("the document has no document element"));
    }
    return {XmlAccess::wrap(std::make_shared<XmlDocHolder>(doc)), QString()};
}

}  // namespace

XmlParseResult XmlDocument::parseDataStream(const XmlTextReader& read) {
    return Parse({nullptr, 0, &read}, QByteArray(), "UTF-8", kDataFileOptions, 0);
}

XmlParseResult XmlDocument::parseDataText(QStringView text) {
    // Converted a piece at a time into one small buffer, wiped at the end: the whole document
    // is never copied into UTF-8 at once.
    constexpr qsizetype kPieceUnits = 16 * 1024;
    QByteArray piece(DataTextUtf8::requiredSpace(kPieceUnits), Qt::Uninitialized);
    const WipeOnExit wipePiece(piece);
    DataTextUtf8 utf8;
    qsizetype next = 0;   // the first unit not yet converted
    qsizetype ready = 0;  // bytes of piece not yet handed to the parser
    qsizetype handed = 0;
    bool finished = false;
    const XmlTextReader read = [&](char* out, int room) -> int {
        if (handed == ready) handed = ready = 0;
        // A piece may give no bytes at all (only a byte-order mark, or a surrogate held back).
        while (ready == 0 && !finished) {
            if (next < text.size() && !utf8.ended()) {
                const QStringView units = text.mid(next, kPieceUnits);
                next += units.size();
                ready = utf8.append(units, piece.data()) - piece.data();
            } else {
                ready = utf8.finish(piece.data()) - piece.data();
                finished = true;
            }
        }
        const qsizetype n = std::min<qsizetype>(room, ready - handed);
        std::memcpy(out, piece.constData() + handed, static_cast<std::size_t>(n));
        handed += n;
        return static_cast<int>(n);
    };
    return parseDataStream(read);
}

XmlParseResult XmlDocument::parseDataText(const QString& text) {
    return parseDataText(QStringView(text));
}

XmlParseResult XmlDocument::parseBytes(const QByteArray& bytes, const QString& sourceName) {
    return Parse({bytes.constData(), bytes.size(), nullptr}, sourceName.toUtf8(), nullptr,
                 kImportOptions, kImportDepthLimit);
}
