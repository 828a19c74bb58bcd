#include "model/DocumentMerge.h"

#include <libxml/tree.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "diag/FormatText.h"
#include "model/LibXmlRuntime.h"
#include "model/XmlInternal.h"

namespace {

// ---- Digests: which subtrees are alike, without comparing them node by node again and again.

struct Digest {
    std::uint64_t a = 0;
    std::uint64_t b = 0;
    friend bool operator==(const Digest&, const Digest&) = default;
};

std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 32;
    x *= 0xD6E8FEB86659FD93ull;
    x ^= x >> 32;
    x *= 0xD6E8FEB86659FD93ull;
    x ^= x >> 32;
    return x;
}

// The high and low halves of the full product, folded together.
std::uint64_t Fold(std::uint64_t x, std::uint64_t y) {
    const unsigned __int128 product =
        static_cast<unsigned __int128>(x ^ y) * (y + 0x165667B19E3779F9ull);
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

// Two independent 64-bit lanes: 128 bits, so that two different subtrees are never taken as one.
class Hasher {
public:
    void word(std::uint64_t w) {
        a_ = Fold(a_ ^ w, 0x9E3779B97F4A7C15ull);
        b_ = Fold(b_ + w, 0xC2B2AE3D27D4EB4Full);
    }
    // A text and whether there is one at all: null and empty differ.
    void text(const xmlChar* s) {
        if (!s) {
            word(0);
            return;
        }
        std::size_t size = std::strlen(reinterpret_cast<const char*>(s));
        word(size + 1);
        for (; size >= 8; size -= 8, s += 8) {
            std::uint64_t w;
            std::memcpy(&w, s, 8);
            word(w);
        }
        std::uint64_t w = 0;
        std::memcpy(&w, s, size);
        word(w);
    }
    void digest(const Digest& d) {
        word(d.a);
        word(d.b);
    }
    Digest done() const {
        return {Mix(a_ ^ 0xA0761D6478BD642Full), Mix(b_ + 0xE7037ED1A0B428DBull)};
    }

private:
    std::uint64_t a_ = 0x243F6A8885A308D3ull;
    std::uint64_t b_ = 0x13198A2E03707344ull;
};

const Digest& Stored(const xmlNode* node) {
    return *static_cast<const Digest*>(node->_private);
}

// Adds an element's namespace declarations and attributes, in order, to h; without its name
// attribute when withName is false.
void HashOwn(Hasher& h, const xmlNode* e, bool withName) {
    for (const xmlNs* ns = e->nsDef; ns; ns = ns->next) {
        h.word(1);
        h.text(ns->prefix);
        h.text(ns->href);
    }
    for (const xmlAttr* a = e->properties; a; a = a->next) {
        if (!withName && !a->ns && xmlStrEqual(a->name, BAD_CAST "name")) continue;
        h.word(2);
        h.text(a->name);
        h.text(a->ns ? a->ns->prefix : nullptr);
        h.text(a->ns ? a->ns->href : nullptr);
        for (const xmlNode* c = a->children; c; c = c->next) {
            h.word(c->type);
            h.text(c->type == XML_TEXT_NODE ? c->content : c->name);
        }
    }
}

// An element's namespace declarations and attributes, in order.
Digest OwnDigest(const xmlNode* e) {
    Hasher h;
    HashOwn(h, e, true);
    return h.done();
}

// Everything of an element but its own name: what an item's value and attributes are.
Digest BodyDigest(const xmlNode* e) {
    Hasher h;
    h.digest(OwnDigest(e));
    for (const xmlNode* c = e->children; c; c = c->next) h.digest(Stored(c));
    return h.done();
}

Digest FullDigest(const xmlNode* n) {
    Hasher h;
    h.word(n->type);
    switch (n->type) {
        case XML_ELEMENT_NODE:
            h.text(n->name);
            h.text(n->ns ? n->ns->prefix : nullptr);
            h.text(n->ns ? n->ns->href : nullptr);
            h.digest(BodyDigest(n));
            break;
        case XML_DOCUMENT_NODE:
            for (const xmlNode* c = n->children; c; c = c->next) h.digest(Stored(c));
            break;
        default:
            h.text(n->name);
            h.text(n->content);
            break;
    }
    return h.done();
}

// The digest of every node of the documents it was given, kept in the nodes' application field
// for the time of one merge and cleared afterwards (the documents are otherwise left untouched).
class DigestStore {
public:
    DigestStore() = default;
    DigestStore(const DigestStore&) = delete;
    DigestStore& operator=(const DigestStore&) = delete;
    ~DigestStore() {
        for (xmlDocPtr doc : docs_) {
            const auto top = reinterpret_cast<xmlNodePtr>(doc);
            for (xmlNodePtr n = top->children; n; n = xmlimpl::NextInTree(n, top))
                n->_private = nullptr;
            top->_private = nullptr;
        }
    }

    // Children before their parents, without recursion.
    void add(xmlDocPtr doc) {
        if (std::find(docs_.begin(), docs_.end(), doc) != docs_.end()) return;
        docs_.push_back(doc);
        const auto top = reinterpret_cast<xmlNodePtr>(doc);
        xmlNodePtr n = top->children;
        while (n) {
            if (n->type == XML_ELEMENT_NODE && n->children) {
                n = n->children;
                continue;
            }
            keep(n);
            while (!n->next && n->parent != top) {
                n = n->parent;
                keep(n);
            }
            n = n->next;
        }
        keep(top);
    }

private:
    void keep(xmlNodePtr n) {
        digests_.push_back(FullDigest(n));
        n->_private = &digests_.back();
    }

    std::deque<Digest> digests_;  // stable addresses
    std::vector<xmlDocPtr> docs_;
};

// ---- Keys: which child of one version is which child of another.

enum class Kind : std::uint8_t { DocumentElement, Group, Item, OtherElement, Content };

std::string_view View(const xmlChar* s) {
    return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

bool IsPlainElement(const xmlNode* n, const char* local) {
    return n->type == XML_ELEMENT_NODE && !n->ns && View(n->name) == local;
}

bool IsGroup(const xmlNode* n) {
    return IsPlainElement(n, "group");
}

bool IsSecret(const xmlNode* n) {
    return IsPlainElement(n, "secret");
}

bool IsItem(const xmlNode* n) {
    return IsPlainElement(n, "item") || IsSecret(n);
}

struct Key {
    Kind kind = Kind::Content;
    bool hasName = false;
    std::string_view local;
    std::string_view href;
    std::string_view name;
    Digest content;
    int occurrence = 0;
    friend bool operator==(const Key&, const Key&) = default;
};

struct KeyHash {
    std::size_t operator()(const Key& k) const {
        Hasher h;
        h.word(static_cast<std::uint64_t>(k.kind) | (std::uint64_t(k.hasName) << 8) |
               (std::uint64_t(k.occurrence) << 16));
        h.word(std::hash<std::string_view>()(k.local));
        h.word(std::hash<std::string_view>()(k.href));
        h.word(std::hash<std::string_view>()(k.name));
        h.digest(k.content);
        return static_cast<std::size_t>(h.done().a);
    }
};

// The value of the name attribute without namespace, if any; `storage` holds it when it is not
// one text node.
std::optional<std::string_view> NameAttribute(const xmlNode* e, std::deque<std::string>& storage) {
    for (const xmlAttr* a = e->properties; a; a = a->next) {
        if (a->ns || View(a->name) != "name") continue;
        if (!a->children) return std::string_view();
        if (!a->children->next && a->children->type == XML_TEXT_NODE)
            return View(a->children->content);
        xmlChar* joined = xmlNodeListGetString(e->doc, a->children, 1);
        storage.emplace_back(joined ? reinterpret_cast<const char*>(joined) : "");
        if (joined) xmlFree(joined);
        return std::string_view(storage.back());
    }
    return std::nullopt;
}

// The children of one container (the document node or a group) in one version, with their keys.
struct Children {
    std::vector<xmlNodePtr> nodes;
    std::vector<Key> keys;
    std::deque<std::string> names;

    explicit Children(xmlNodePtr container) {
        if (!container) return;
        std::unordered_map<Key, int, KeyHash> seen;
        const bool documentLevel = container->type == XML_DOCUMENT_NODE;
        for (xmlNodePtr c = container->children; c; c = c->next) {
            Key key;
            if (c->type == XML_ELEMENT_NODE && documentLevel) {
                key.kind = Kind::DocumentElement;
            } else if (c->type == XML_ELEMENT_NODE) {
                key.kind = IsGroup(c) ? Kind::Group : IsItem(c) ? Kind::Item : Kind::OtherElement;
                if (key.kind == Kind::OtherElement) {
                    key.local = View(c->name);
                    key.href = c->ns ? View(c->ns->href) : std::string_view();
                }
                if (const auto name = NameAttribute(c, names)) {
                    key.hasName = true;
                    key.name = *name;
                }
            } else {
                key.content = Stored(c);
            }
            key.occurrence = seen[key]++;
            nodes.push_back(c);
            keys.push_back(key);
        }
    }
    std::size_t size() const { return nodes.size(); }

    std::unordered_map<Key, int, KeyHash> index() const {
        std::unordered_map<Key, int, KeyHash> map;
        map.reserve(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) map.emplace(keys[i], static_cast<int>(i));
        return map;
    }
};

int Find(const std::unordered_map<Key, int, KeyHash>& map, const Key& key) {
    const auto found = map.find(key);
    return found == map.end() ? -1 : found->second;
}

// What one child of the result comes from: a node of ours or theirs alone (copied as it is), or
// the matching nodes of both (merged), each with the base's node where it has one.
struct Entry {
    xmlNodePtr base = nullptr;
    xmlNodePtr ours = nullptr;
    xmlNodePtr theirs = nullptr;
};

// The children of a container in the result, in order.
std::vector<Entry> PlanChildren(xmlNodePtr baseContainer, xmlNodePtr oursContainer,
                                xmlNodePtr theirsContainer) {
    const Children base(baseContainer), ours(oursContainer), theirs(theirsContainer);
    const auto baseIndex = base.index();
    const auto theirsIndex = theirs.index();
    const std::size_t n = ours.size(), m = theirs.size();
    std::vector<int> oursInTheirs(n), oursInBase(n), theirsInOurs(m, -1), theirsInBase(m);
    for (std::size_t i = 0; i < n; ++i) {
        oursInTheirs[i] = Find(theirsIndex, ours.keys[i]);
        oursInBase[i] = Find(baseIndex, ours.keys[i]);
        if (oursInTheirs[i] >= 0) theirsInOurs[oursInTheirs[i]] = static_cast<int>(i);
    }
    for (std::size_t j = 0; j < m; ++j) theirsInBase[j] = Find(baseIndex, theirs.keys[j]);

    // What only one side still holds stays unless it is the base's node, unchanged, that the other
    // side deleted.
    const auto kept = [&](const Children& side, std::size_t i, int inOther, int inBase) {
        return inOther >= 0 || inBase < 0 || !(Stored(side.nodes[i]) == Stored(base.nodes[inBase]));
    };
    // Whether a side kept the base's order among the children both sides hold.
    const auto keptOrder = [&](const std::vector<int>& inOther, const std::vector<int>& inBase) {
        int last = -1;
        for (std::size_t i = 0; i < inOther.size(); ++i) {
            if (inOther[i] < 0 || inBase[i] < 0) continue;
            if (inBase[i] < last) return false;
            last = inBase[i];
        }
        return true;
    };
    const bool theirsLead =
        keptOrder(oursInTheirs, oursInBase) && !keptOrder(theirsInOurs, theirsInBase);

    const auto entryOfOurs = [&](std::size_t i) {
        return Entry{oursInBase[i] >= 0 ? base.nodes[oursInBase[i]] : nullptr, ours.nodes[i],
                     oursInTheirs[i] >= 0 ? theirs.nodes[oursInTheirs[i]] : nullptr};
    };
    const auto entryOfTheirs = [&](std::size_t j) {
        return Entry{theirsInBase[j] >= 0 ? base.nodes[theirsInBase[j]] : nullptr,
                     theirsInOurs[j] >= 0 ? ours.nodes[theirsInOurs[j]] : nullptr, theirs.nodes[j]};
    };

    // The leading side's children in its order; each child only the other side holds goes right
    // after the leading side's match of its preceding sibling (or first).
    const std::size_t leadCount = theirsLead ? m : n;
    const std::size_t followCount = theirsLead ? n : m;
    const auto leadKept = [&](std::size_t i) {
        return theirsLead ? kept(theirs, i, theirsInOurs[i], theirsInBase[i])
                          : kept(ours, i, oursInTheirs[i], oursInBase[i]);
    };
    const auto followMatch = [&](std::size_t j) {
        return theirsLead ? oursInTheirs[j] : theirsInOurs[j];
    };
    const auto followKept = [&](std::size_t j) {
        return theirsLead ? kept(ours, j, oursInTheirs[j], oursInBase[j])
                          : kept(theirs, j, theirsInOurs[j], theirsInBase[j]);
    };
    std::vector<std::pair<int, int>> inserted;  // (leading child it follows or -1, child)
    int anchor = -1;
    for (std::size_t j = 0; j < followCount; ++j) {
        if (followMatch(j) >= 0)
            anchor = followMatch(j);
        else if (followKept(j))
            inserted.emplace_back(anchor, static_cast<int>(j));
    }
    std::stable_sort(inserted.begin(), inserted.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });

    std::vector<Entry> entries;
    entries.reserve(leadCount + inserted.size());
    auto next = inserted.begin();
    const auto insertAfter = [&](int leading) {
        for (; next != inserted.end() && next->first == leading; ++next)
            entries.push_back(theirsLead ? entryOfOurs(next->second) : entryOfTheirs(next->second));
    };
    insertAfter(-1);
    for (std::size_t i = 0; i < leadCount; ++i) {
        if (leadKept(i)) entries.push_back(theirsLead ? entryOfTheirs(i) : entryOfOurs(i));
        insertAfter(static_cast<int>(i));
    }
    return entries;
}

// ---- Conflict names.

constexpr std::string_view kConflictOpen = "（競合";
constexpr std::string_view kConflictClose = "）";

// The name without the conflict suffixes at its end: "（競合）" and "（競合N）", however many.
std::string_view StrippedName(std::string_view name) {
    while (name.ends_with(kConflictClose)) {
        std::string_view rest = name.substr(0, name.size() - kConflictClose.size());
        while (!rest.empty() && rest.back() >= '0' && rest.back() <= '9') rest.remove_suffix(1);
        if (!rest.ends_with(kConflictOpen)) break;
        name = rest.substr(0, rest.size() - kConflictOpen.size());
    }
    return name;
}

// The value of an item, or what another element holds: everything but its name attribute and its
// own element name.
Digest ValueDigest(const xmlNode* e) {
    Hasher h;
    HashOwn(h, e, false);
    for (const xmlNode* c = e->children; c; c = c->next) h.digest(Stored(c));
    return h.done();
}

// An item as far as a repeated conflict is concerned: its name up to the conflict suffixes, and
// its value.
struct ItemFact {
    std::string name;
    Digest value;
    friend bool operator==(const ItemFact&, const ItemFact&) = default;
};

struct ItemFactHash {
    std::size_t operator()(const ItemFact& f) const {
        return std::hash<std::string_view>()(f.name) ^ static_cast<std::size_t>(f.value.a);
    }
};

struct DigestHash {
    std::size_t operator()(const Digest& d) const { return static_cast<std::size_t>(d.a); }
};

// The names of a group's children, and the next number to try for each name that got a conflict
// copy: each free name is found without walking over the ones given before.
class ConflictNamer {
public:
    void take(std::string_view name) { names_.emplace(name); }
    std::string next(std::string_view stripped) {
        int& number = numbers_.try_emplace(std::string(stripped), 1).first->second;
        std::string candidate;
        do {
            candidate.assign(stripped).append(kConflictOpen);
            if (number > 1) candidate.append(std::to_string(number));
            candidate.append(kConflictClose);
            ++number;
        } while (names_.count(candidate));
        names_.insert(candidate);
        return candidate;
    }

private:
    std::unordered_set<std::string> names_;
    std::unordered_map<std::string, int> numbers_;
};

// ---- Building the result.

class Builder {
public:
    Builder(xmlDocPtr doc, QList<MergeConflict>& conflicts)
        : doc_(doc), conflicts_(conflicts), groups_(std::make_shared<MergeGroups>()) {}

    void run(xmlNodePtr base, xmlNodePtr ours, xmlNodePtr theirs) {
        frames_.emplace_back(reinterpret_cast<xmlNodePtr>(doc_), PlanChildren(base, ours, theirs),
                             -1);
        while (!frames_.empty()) {
            Frame& top = frames_.back();
            if (top.next == top.entries.size()) {
                finish(top);
                frames_.pop_back();
                continue;
            }
            const Entry entry = top.entries[top.next++];
            if (entry.ours && entry.theirs)
                merge(entry);
            else
                copy(entry.ours ? entry.ours : entry.theirs);
        }
        // The conflicts merged before are not reported again.
        QList<MergeConflict> reported;
        for (qsizetype i = 0; i < conflicts_.size(); ++i)
            if (!repeated_[static_cast<std::size_t>(i)]) reported.append(conflicts_[i]);
        conflicts_ = reported;
    }

private:
    // Theirs' side of a conflict, copied beside ours: named, or dropped when it was merged before,
    // once the group is complete.
    struct ConflictCopy {
        xmlNodePtr node;
        const xmlNode* from;
        qsizetype conflict;
        bool item;
    };

    // One container being filled: its node in the result, its children still to make, and the
    // group of conflicts in it.
    struct Frame {
        Frame(xmlNodePtr r, std::vector<Entry> e, int g)
            : result(r), entries(std::move(e)), group(g) {}
        xmlNodePtr result;
        std::vector<Entry> entries;
        int group;
        std::size_t next = 0;
        // The items and other elements copied whole into it, each with the node it comes from.
        std::vector<std::pair<xmlNodePtr, const xmlNode*>> copied;
        std::vector<ConflictCopy> conflictCopies;
    };

    // A copy of from as the last child of the container being filled.
    xmlNodePtr copy(const xmlNode* from) {
        Frame& frame = frames_.back();
        xmlNodePtr made = xmlimpl::CopyTree(from, doc_, frame.result);
        if (from->type == XML_ELEMENT_NODE && !IsGroup(from)) frame.copied.emplace_back(made, from);
        return made;
    }

    void merge(const Entry& e) {
        const Digest& ours = Stored(e.ours);
        const Digest& theirs = Stored(e.theirs);
        if (ours == theirs || (e.base && Stored(e.base) == theirs)) {
            copy(e.ours);
            return;
        }
        if (e.base && Stored(e.base) == ours) {
            copy(e.theirs);
            return;
        }
        if (IsGroup(e.ours) && IsGroup(e.theirs)) {
            mergeGroup(e);
        } else if (IsItem(e.ours) && IsItem(e.theirs)) {
            mergeItem(e);
        } else {
            // Any other node is merged as a whole: ours, and theirs right after it, except where
            // the document can hold only one (the document element).
            copy(e.ours);
            addConflict(xmlimpl::NodeName(e.ours));
            Frame& frame = frames_.back();
            if (frame.result->type != XML_DOCUMENT_NODE)
                frame.conflictCopies.push_back({xmlimpl::CopyTree(e.theirs, doc_, frame.result),
                                                e.theirs, conflicts_.size() - 1, false});
        }
    }

    void mergeGroup(const Entry& e) {
        // Its own attributes as a whole from the side that changed them; ours when both did.
        const Digest ours = OwnDigest(e.ours);
        const Digest theirs = OwnDigest(e.theirs);
        const std::optional<Digest> base = e.base ? std::optional(OwnDigest(e.base)) : std::nullopt;
        const bool takeTheirs = ours != theirs && base == ours;
        if (ours != theirs && base != ours && base != theirs) addConflict(NameOf(e.ours));
        const Frame& parent = frames_.back();
        xmlNodePtr group = xmlimpl::CopyNode(takeTheirs ? e.theirs : e.ours, doc_, parent.result);
        // The groups below the root group are named in the conflicts they hold.
        int index = -1;
        if (parent.result->type != XML_DOCUMENT_NODE) {
            index = static_cast<int>(groups_->groups.size());
            groups_->groups.push_back({parent.group, NameOf(group)});
        }
        frames_.emplace_back(group, PlanChildren(e.base, e.ours, e.theirs), index);
    }

    void mergeItem(const Entry& e) {
        const bool secret = IsSecret(e.ours) || IsSecret(e.theirs);
        const Digest ours = BodyDigest(e.ours);
        const Digest theirs = BodyDigest(e.theirs);
        const std::optional<Digest> base =
            e.base ? std::optional(BodyDigest(e.base)) : std::nullopt;
        xmlNodePtr kept = nullptr;
        if (ours == theirs || base == theirs) {
            kept = copy(e.ours);
        } else if (base == ours) {
            kept = copy(e.theirs);
        } else {
            kept = copy(e.ours);
            Frame& frame = frames_.back();
            xmlNodePtr theirsCopy = xmlimpl::CopyTree(e.theirs, doc_, frame.result);
            if (secret) xmlNodeSetName(theirsCopy, BAD_CAST "secret");
            addConflict(NameOf(e.ours));
            frame.conflictCopies.push_back({theirsCopy, e.theirs, conflicts_.size() - 1, true});
        }
        if (secret) xmlNodeSetName(kept, BAD_CAST "secret");
    }

    // Once a container is complete: each conflict copy that its group already holds (an item of
    // the same name up to the conflict suffixes and the same value, another node equal to it)
    // goes, and so does its conflict; the others get their names.
    void finish(const Frame& frame) {
        if (frame.conflictCopies.empty()) return;
        std::unordered_set<const xmlNode*> copies;
        for (const ConflictCopy& c : frame.conflictCopies) copies.insert(c.node);
        ConflictNamer namer;
        std::deque<std::string> storage;
        for (xmlNodePtr c = frame.result->children; c; c = c->next)
            if (c->type == XML_ELEMENT_NODE && !copies.count(c))
                if (const auto name = NameAttribute(c, storage)) namer.take(*name);
        std::unordered_set<ItemFact, ItemFactHash> items;
        std::unordered_set<Digest, DigestHash> others;
        const auto held = [&](const xmlNode* from) {
            if (!IsItem(from)) return !others.insert(Stored(from)).second;
            const auto name = NameAttribute(from, storage);
            return !items.insert({std::string(StrippedName(name.value_or(""))), ValueDigest(from)})
                        .second;
        };
        for (const auto& [node, from] : frame.copied) held(from);
        for (const ConflictCopy& c : frame.conflictCopies) {
            if (held(c.from)) {
                xmlUnlinkNode(c.node);
                xmlFreeNode(c.node);
                repeated_[static_cast<std::size_t>(c.conflict)] = true;
                continue;
            }
            if (!c.item) continue;
            const auto name = NameAttribute(c.from, storage);
            const std::string free = namer.next(StrippedName(name.value_or("")));
            if (!xmlSetNsProp(c.node, nullptr, BAD_CAST "name", BAD_CAST free.c_str()))
                throw XmlError(XmlError::kOutOfMemory);
        }
    }

    static QString NameOf(const xmlNode* e) {
        std::deque<std::string> storage;
        const auto name = NameAttribute(e, storage);
        return name ? QString::fromUtf8(name->data(), static_cast<qsizetype>(name->size()))
                    : QString();
    }

    // A conflict in the container being filled, named by the group it is in.
    void addConflict(const QString& name) {
        MergeConflict conflict;
        conflict.name = name;
        conflict.groups = groups_;
        conflict.group = frames_.back().group;
        conflicts_.append(conflict);
        repeated_.push_back(false);
    }

    xmlDocPtr doc_;
    QList<MergeConflict>& conflicts_;
    std::vector<bool> repeated_;  // of each conflict: its copy was merged before
    std::shared_ptr<MergeGroups> groups_;
    std::vector<Frame> frames_;
};

}  // namespace

MergeResult MergeDocuments(const XmlDocument& base, const XmlDocument& ours,
                           const XmlDocument& theirs) {
    const xmlDocPtr oursDoc = XmlAccess::require(ours)->doc;
    const xmlDocPtr theirsDoc = XmlAccess::require(theirs)->doc;
    const xmlDocPtr baseDoc = base.isNull() ? nullptr : XmlAccess::require(base)->doc;
    xmlrt::EnsureLibXml();

    DigestStore digests;
    digests.add(oursDoc);
    digests.add(theirsDoc);
    if (baseDoc) digests.add(baseDoc);

    MergeResult result;
    result.document = XmlDocument::createEmpty();
    Builder builder(XmlAccess::holder(result.document)->doc, result.conflicts);
    builder.run(reinterpret_cast<xmlNodePtr>(baseDoc), reinterpret_cast<xmlNodePtr>(oursDoc),
                reinterpret_cast<xmlNodePtr>(theirsDoc));
    return result;
}

QStringList MergeConflict::groupNames() const {
    QStringList names;
    for (int g = group; g >= 0; g = groups->groups[static_cast<std::size_t>(g)].parent)
        names.append(groups->groups[static_cast<std::size_t>(g)].name);
    std::reverse(names.begin(), names.end());
    return names;
}

QString MergeConflict::groupPath() const {
    return u'/' + groupNames().join(u'/');
}

QString conflict_names::Stripped(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    const std::string_view stripped = StrippedName(std::string_view(utf8.constData(), utf8.size()));
    return QString::fromUtf8(stripped.data(), static_cast<qsizetype>(stripped.size()));
}

// ---- Comparing and restoring by the merge's alignment.

namespace {

// The group and item children of a container with the merge's keys (other nodes are neither
// compared nor restored), and where each key is.
struct AlignedChildren {
    std::vector<xmlNodePtr> nodes;
    std::vector<VersionStep> steps;

    explicit AlignedChildren(const xmlNode* container) {
        if (!container) return;
        std::deque<std::string> storage;
        std::unordered_map<std::string, int> seen;
        for (xmlNodePtr c = container->children; c; c = c->next) {
            if (!IsGroup(c) && !IsItem(c)) continue;
            const auto name = NameAttribute(c, storage);
            const std::string text(name.value_or(""));
            const bool group = IsGroup(c);
            // A missing name attribute is its own name, apart from an empty one.
            const std::string key = (group ? "g" : "i") + std::string(name ? "=" : "-") + text;
            nodes.push_back(c);
            steps.push_back(
                {group, QString::fromUtf8(text.data(), qsizetype(text.size())), seen[key]++});
        }
    }

    int find(const VersionStep& step) const {
        for (std::size_t i = 0; i < steps.size(); ++i)
            if (steps[i] == step) return static_cast<int>(i);
        return -1;
    }
};

int CountInside(const xmlNode* group) {
    int count = 0;
    const auto top = const_cast<xmlNodePtr>(group);
    for (xmlNodePtr n = top->children; n; n = xmlimpl::NextInTree(n, top))
        if (IsGroup(n) || IsItem(n)) ++count;
    return count;
}

// The indexes of a's steps in b (-1 where b has none), found through a map: groups with many
// children are aligned in linear time.
std::vector<int> Align(const AlignedChildren& a, const AlignedChildren& b) {
    std::unordered_map<QString, std::vector<int>> byName;
    for (std::size_t j = 0; j < b.steps.size(); ++j) byName[b.steps[j].name].push_back(int(j));
    std::vector<int> found(a.steps.size(), -1);
    for (std::size_t i = 0; i < a.steps.size(); ++i) {
        const auto candidates = byName.find(a.steps[i].name);
        if (candidates == byName.end()) continue;
        for (const int j : candidates->second)
            if (b.steps[std::size_t(j)] == a.steps[i]) {
                found[i] = j;
                break;
            }
    }
    return found;
}

xmlDocPtr RawDocument(const XmlDocument& document) {
    return XmlAccess::require(document)->doc;
}

}  // namespace

QStringList DocumentDifference::groupNames() const {
    QStringList names;
    for (std::size_t i = 0; i + 1 < steps.size(); ++i) names.append(steps[i].name);
    return names;
}

std::vector<DocumentDifference> CompareDocuments(const XmlDocument& then, const XmlDocument& now) {
    const xmlDocPtr thenDoc = RawDocument(then);
    const xmlDocPtr nowDoc = RawDocument(now);
    xmlrt::EnsureLibXml();
    DigestStore digests;
    digests.add(thenDoc);
    digests.add(nowDoc);

    std::vector<DocumentDifference> differences;
    // The groups descended into, each with the index of its parent (-1: the root group): a chain
    // of deep groups is held once, and only a difference spells out its steps.
    std::vector<std::pair<int, VersionStep>> groups;
    const auto stepsTo = [&](int group) {
        std::vector<VersionStep> steps;
        for (; group >= 0; group = groups[std::size_t(group)].first)
            steps.push_back(groups[std::size_t(group)].second);
        std::reverse(steps.begin(), steps.end());
        return steps;
    };
    struct Pending {
        const xmlNode* then;
        const xmlNode* now;
        int group;
    };
    // A stack of group pairs still to compare, deepest last, so that no depth exhausts the stack;
    // each pair's differences come out in document order, those of its subgroups after it.
    std::vector<Pending> stack;
    const xmlNode* thenRoot = xmlDocGetRootElement(thenDoc);
    const xmlNode* nowRoot = xmlDocGetRootElement(nowDoc);
    if (thenRoot && nowRoot && !(Stored(thenRoot) == Stored(nowRoot)))
        stack.push_back({thenRoot, nowRoot, -1});
    while (!stack.empty()) {
        const Pending pair = std::move(stack.back());
        stack.pop_back();
        const AlignedChildren thenChildren(pair.then), nowChildren(pair.now);
        const std::vector<int> thenInNow = Align(thenChildren, nowChildren);
        const std::vector<int> nowInThen = Align(nowChildren, thenChildren);
        std::vector<Pending> deeper;
        const auto difference = [&](DocumentDifference::Change change, const xmlNode* node,
                                    const VersionStep& step, bool secret) {
            DocumentDifference d;
            d.change = change;
            d.group = step.group;
            d.secret = secret;
            d.steps = stepsTo(pair.group);
            d.steps.push_back(step);
            if (step.group && change != DocumentDifference::Change::Changed)
                d.inside = CountInside(node);
            differences.push_back(std::move(d));
        };
        for (std::size_t i = 0; i < thenChildren.nodes.size(); ++i) {
            const xmlNode* old = thenChildren.nodes[i];
            const VersionStep& step = thenChildren.steps[i];
            if (thenInNow[i] < 0) {
                difference(DocumentDifference::Change::Removed, old, step, IsSecret(old));
                continue;
            }
            const xmlNode* current = nowChildren.nodes[std::size_t(thenInNow[i])];
            if (Stored(old) == Stored(current)) continue;
            if (!step.group) {
                difference(DocumentDifference::Change::Changed, old, step,
                           IsSecret(old) || IsSecret(current));
                continue;
            }
            if (!(OwnDigest(old) == OwnDigest(current)))
                difference(DocumentDifference::Change::Changed, old, step, false);
            groups.emplace_back(pair.group, step);
            deeper.push_back({old, current, int(groups.size()) - 1});
        }
        for (std::size_t j = 0; j < nowChildren.nodes.size(); ++j)
            if (nowInThen[j] < 0)
                difference(DocumentDifference::Change::Added, nowChildren.nodes[j],
                           nowChildren.steps[j], IsSecret(nowChildren.nodes[j]));
        stack.insert(stack.end(), std::make_move_iterator(deeper.rbegin()),
                     std::make_move_iterator(deeper.rend()));
    }
    return differences;
}

DifferenceCounts CountDifferences(const std::vector<DocumentDifference>& differences) {
    DifferenceCounts counts;
    for (const DocumentDifference& d : differences) {
        switch (d.change) {
            case DocumentDifference::Change::Added:
                counts.added += 1 + d.inside;
                break;
            case DocumentDifference::Change::Removed:
                counts.removed += 1 + d.inside;
                break;
            case DocumentDifference::Change::Changed:
                ++counts.changed;
                break;
        }
    }
    return counts;
}

namespace {

// The children of a container of the result by their steps, kept up to date while the version's
// children are put in.
class TargetChildren {
public:
    explicit TargetChildren(xmlNodePtr container) : container_(container) {
        const AlignedChildren children(container);
        for (std::size_t i = 0; i < children.nodes.size(); ++i)
            nodes_[Text(children.steps[i])] = children.nodes[i];
    }

    xmlNodePtr find(const VersionStep& step) const {
        const auto found = nodes_.find(Text(step));
        return found == nodes_.end() ? nullptr : found->second;
    }

    // Puts node in right after the match of the nearest sibling before the version's child `at`
    // that has one, or first when none has.
    void link(xmlNodePtr node, const AlignedChildren& from, std::size_t at) {
        xmlNodePtr after = nullptr;
        for (std::size_t i = at; i-- > 0 && !after;) after = find(from.steps[i]);
        if (after)
            xmlAddNextSibling(after, node);
        else if (container_->children)
            xmlAddPrevSibling(container_->children, node);
        else
            xmlAddChild(container_, node);
        nodes_[Text(from.steps[at])] = node;
    }

    void replace(const VersionStep& step, xmlNodePtr node) {
        xmlNodePtr& old = nodes_[Text(step)];
        xmlReplaceNode(old, node);
        xmlFreeNode(old);
        old = node;
    }

private:
    static QString Text(const VersionStep& step) {
        return (step.group ? u'g' : u'i') + QString::number(step.occurrence) + u':' + step.name;
    }

    xmlNodePtr container_;
    std::unordered_map<QString, xmlNodePtr> nodes_;
};

// Everything in `from` (a group of the version) comes back into `into`, its match: what is
// missing is copied, items take the version's value, groups are overlaid in turn; what was added
// since stays.
void Overlay(xmlNodePtr into, const xmlNode* from, xmlDocPtr doc) {
    std::vector<std::pair<xmlNodePtr, const xmlNode*>> stack{{into, from}};
    while (!stack.empty()) {
        const auto [target, source] = stack.back();
        stack.pop_back();
        const AlignedChildren sourceChildren(source);
        TargetChildren targetChildren(target);
        for (std::size_t i = 0; i < sourceChildren.nodes.size(); ++i) {
            const VersionStep& step = sourceChildren.steps[i];
            const xmlNode* child = sourceChildren.nodes[i];
            xmlNodePtr match = targetChildren.find(step);
            if (!match)
                targetChildren.link(xmlimpl::CopyTree(child, doc), sourceChildren, i);
            else if (step.group)
                stack.emplace_back(match, child);
            else
                targetChildren.replace(step, xmlimpl::CopyTree(child, doc));
        }
    }
}

}  // namespace

XmlDocument RestoreFromVersion(const XmlDocument& now, const XmlDocument& then,
                               const std::vector<std::vector<VersionStep>>& chosen) {
    const xmlDocPtr nowDoc = RawDocument(now);
    const xmlDocPtr thenDoc = RawDocument(then);
    xmlrt::EnsureLibXml();
    XmlDocument result = XmlDocument::createEmpty();
    const xmlDocPtr doc = XmlAccess::holder(result)->doc;
    for (const xmlNode* c = nowDoc->children; c; c = c->next)
        xmlimpl::CopyTree(c, doc, reinterpret_cast<xmlNodePtr>(doc));
    xmlNodePtr root = xmlDocGetRootElement(doc);
    const xmlNode* thenRoot = xmlDocGetRootElement(thenDoc);
    if (!root || !thenRoot) return result;

    for (const std::vector<VersionStep>& steps : chosen) {
        xmlNodePtr target = root;
        const xmlNode* source = thenRoot;
        for (std::size_t s = 0; s < steps.size() && target; ++s) {
            const AlignedChildren sourceChildren(source);
            TargetChildren targetChildren(target);
            const int inSource = source ? sourceChildren.find(steps[s]) : -1;
            const xmlNode* from =
                inSource >= 0 ? sourceChildren.nodes[std::size_t(inSource)] : nullptr;
            xmlNodePtr into = targetChildren.find(steps[s]);
            if (s + 1 < steps.size()) {
                // A group on the way that went too is made again, as the version had it.
                if (!into && from) {
                    into = xmlimpl::CopyNode(from, doc);
                    targetChildren.link(into, sourceChildren, std::size_t(inSource));
                }
                target = into;
                source = from;
            } else if (!from) {
                // Not in the version: it goes.
                if (into) {
                    xmlUnlinkNode(into);
                    xmlFreeNode(into);
                }
            } else if (!into) {
                targetChildren.link(xmlimpl::CopyTree(from, doc), sourceChildren,
                                    std::size_t(inSource));
            } else if (steps[s].group) {
                Overlay(into, from, doc);
            } else {
                targetChildren.replace(steps[s], xmlimpl::CopyTree(from, doc));
            }
        }
    }
    return result;
}
