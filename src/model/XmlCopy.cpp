// Copies of nodes for another place or another document, without recursion.
#include <libxml/tree.h>

#include "model/XmlInternal.h"

namespace {

bool DeclaredOn(const xmlNode* e, const xmlNs* ns) {
    for (const xmlNs* d = e->nsDef; d; d = d->next)
        if (xmlStrEqual(d->prefix, ns->prefix) && xmlStrEqual(d->href, ns->href)) return true;
    return false;
}

// Drops the declarations libxml2 added to copy that its ancestors already make, pointing the
// copy's element and attributes at the ancestors' instead.
void DropRepeatedDeclarations(xmlNodePtr copy, const xmlNode* original) {
    xmlNsPtr* link = &copy->nsDef;
    while (xmlNsPtr ns = *link) {
        xmlNsPtr inScope = nullptr;
        if (!DeclaredOn(original, ns)) {
            for (xmlNodePtr p = copy->parent; p && p->type == XML_ELEMENT_NODE && !inScope;
                 p = p->parent)
                for (xmlNsPtr d = p->nsDef; d && !inScope; d = d->next)
                    if (xmlStrEqual(d->prefix, ns->prefix)) inScope = d;
        }
        if (!inScope || !xmlStrEqual(inScope->href, ns->href)) {
            link = &ns->next;
            continue;
        }
        if (copy->ns == ns) copy->ns = inScope;
        for (xmlAttrPtr a = copy->properties; a; a = a->next)
            if (a->ns == ns) a->ns = inScope;
        *link = ns->next;
        ns->next = nullptr;
        xmlFreeNs(ns);
    }
}

// Takes the last child of its parent out again.
void UnlinkLast(xmlNodePtr node) {
    xmlNodePtr parent = node->parent;
    parent->last = node->prev;
    if (node->prev)
        node->prev->next = nullptr;
    else
        parent->children = nullptr;
    node->parent = node->prev = nullptr;
}

}  // namespace

namespace xmlimpl {

xmlNodePtr CopyNode(const xmlNode* source, xmlDocPtr doc, xmlNodePtr parent) {
    xmlNodePtr copy = xmlDocCopyNode(const_cast<xmlNodePtr>(source), doc, 2);
    if (!copy) throw XmlError(XmlError::kOutOfMemory);
    if (parent) LinkLast(parent, copy);
    if (copy->type == XML_ELEMENT_NODE) DropRepeatedDeclarations(copy, source);
    return copy;
}

xmlNodePtr CopyTree(const xmlNode* source, xmlDocPtr doc, xmlNodePtr parent) {
    xmlNodePtr top = CopyNode(source, doc, parent);
    if (source->type != XML_ELEMENT_NODE) return top;
    const xmlNode* from = source->children;
    xmlNodePtr into = top;  // the copy of from's parent
    try {
        while (from) {
            xmlNodePtr copy = CopyNode(from, doc, into);
            if (from->type == XML_ELEMENT_NODE && from->children) {
                from = from->children;
                into = copy;
                continue;
            }
            while (from != source && !from->next) {
                from = from->parent;
                into = into->parent;
            }
            if (from == source) break;
            from = from->next;
        }
    } catch (const XmlError&) {
        if (parent) UnlinkLast(top);
        xmlFreeNode(top);
        throw;
    }
    return top;
}

}  // namespace xmlimpl
