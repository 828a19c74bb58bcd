#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "model/XmlNode.h"

struct XmlParseResult;

// Fills at most `room` bytes of `out` with the next piece of a text; returns how many, 0 at the
// end of the text, -1 when the text cannot be had.
using XmlTextReader = std::function<int(char* out, int room)>;

// Something in a document that an encoding cannot write so that it reads back the same: a name
// (of an element or attribute, a namespace prefix, a processing instruction's target) or the text
// of a comment, a processing instruction or a CDATA section. In these places a character the
// encoding lacks cannot be a character reference.
struct XmlUnwritable {
    enum class Kind { Name, Text };
    Kind kind = Kind::Name;
    QString text;
};

// Shared ownership of one libxml2 document. Copies refer to the same document; the document (and
// every node that ever belonged to it) is freed when the last XmlDocument and XmlNode referring to
// it are gone. A default-constructed XmlDocument is "no document".
class XmlDocument {
public:
    XmlDocument() = default;

    // A document with no nodes at all, version "1.0".
    static XmlDocument createEmpty();

    // Parses the plain text of a data file. The text is taken up to its first zero code unit and
    // read as Unicode whatever its XML declaration says. libxml2's size and depth limits are
    // lifted, so that anything this program wrote loads again.
    static XmlParseResult parseDataText(QStringView text);
    static XmlParseResult parseDataText(const QString& text);
    // The same for a data file's text handed over as UTF-8 a piece at a time by read, which the
    // parser calls until it returns 0 (the end) or -1 (the text cannot be had; the parse fails).
    static XmlParseResult parseDataStream(const XmlTextReader& read);
    // The deepest nesting of elements an import accepts (the document element is level 1).
    static constexpr int kImportDepthLimit = 10000;

    // Parses the bytes of an XML file for import, in the encoding its byte-order mark or
    // declaration announce (UTF-8 by default; "Shift_JIS" is code page 932). The sizes a data file
    // may have are accepted; elements may nest kImportDepthLimit levels deep. `sourceName` only
    // appears in messages.
    static XmlParseResult parseBytes(const QByteArray& bytes, const QString& sourceName = {});

    bool isNull() const { return holder_ == nullptr; }
    explicit operator bool() const { return holder_ != nullptr; }
    friend bool operator==(const XmlDocument& a, const XmlDocument& b) {
        return a.holder_ == b.holder_;
    }

    // The document node itself (parent of the document element), and the document element or a
    // null handle when there is none.
    XmlNode node() const;
    XmlNode documentElement() const;
    // A new element outside the tree; its name must be a valid XML name.
    XmlNode createElement(QAnyStringView name) const;
    // Same as node().appendChild(child): with no document element yet, an element appended here
    // becomes the document element.
    XmlNode appendChild(const XmlNode& child) const;

    // XPath evaluated on the document node, as XmlNode::selectSingleNode and selectNodes.
    XmlNode selectSingleNode(const QString& xpath) const;
    QList<XmlNode> selectNodes(const QString& xpath) const;
    // What /E[@A='v1']/E[@A='v2']/... selects for the element name E, the attribute name A (both
    // without namespace) and the values v1, v2, ... (in their stored form, see ToXmlCharacters):
    // the first element in document order at the end of any such chain from the document element
    // down, or a null handle. Found by a walk without recursion, for chains of any length; the
    // XPath engine recurses once per step and gives up after a few thousand. No values: null.
    // With matched, a chain that is not there whole gives what the longest chain of the first
    // values that is there selects, and matched the number of those values (0 and a null handle
    // when not even the first is): the whole walk is done once, not once per shorter chain.
    XmlNode selectAttributeChain(QAnyStringView elementName, QAnyStringView attributeName,
                                 const QStringList& values, qsizetype* matched = nullptr) const;

    // The whole document as XML text: declaration <?xml version="1.0" encoding="NAME"?> with
    // the given name, a line break, then the document indented by two spaces per level (only
    // where an element holds elements and no text, so text is never altered), no byte-order
    // mark. "utf-16" (any case) gives UTF-16LE; other names are ASCII-compatible encodings known
    // to libxml2, "Shift_JIS" being code page 932. Characters the encoding cannot hold are
    // written as character references. Text keeps carriage returns (&#13;), and attribute values
    // keep tabs and line breaks (&#9; &#10; &#13;). Identical documents give identical bytes.
    // An unknown encoding raises XmlError(kFail).
    QByteArray serialize(const QString& encoding) const;

    // The first thing, in document order, that serialize(encoding) cannot write so that it reads
    // back the same; nullopt when there is none (always for UTF-8 and UTF-16). A character counts
    // as held when the encoding's encoder and decoder give it back unchanged. An unknown encoding
    // raises XmlError(kFail).
    std::optional<XmlUnwritable> findUnwritable(const QString& encoding) const;
    // The deepest nesting of elements: 1 for a lone document element, 0 for none.
    int depth() const;
    // True when both documents hold the same nodes in the same order: elements with the same
    // names, namespaces, namespace declarations and attributes (names, namespaces and values, in
    // order), the same text, CDATA, comments and processing instructions. Otherwise false, and
    // `where` (when given) names the first difference: the name attribute or else the name of
    // the element at or around it in this document.
    bool sameContent(const XmlDocument& other, QString* where = nullptr) const;

private:
    friend struct XmlAccess;
    explicit XmlDocument(std::shared_ptr<XmlDocHolder> holder) : holder_(std::move(holder)) {}

    std::shared_ptr<XmlDocHolder> holder_;
};

// The outcome of parsing: a document, or no document and libxml2's message.
struct XmlParseResult {
    XmlDocument document;
    QString errorMessage;
    // The text declared a DOCTYPE, which is refused: it was read as XML this far, so it is no
    // text deciphered under a wrong key.
    bool doctype = false;

    bool ok() const { return !document.isNull(); }
    explicit operator bool() const { return ok(); }
};
