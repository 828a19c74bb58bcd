#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

#include "model/XmlNode.h"

// The search over every item of a document, as a person types: the words of a query must all
// occur, each in the item's name, its value (plain items only: a secret value is never searched,
// as a search that matched it would reveal it one guess at a time) or the name of a group on the
// way from the root group down to the item (the root group's own name excepted, which every item
// would match). Texts are compared in their folded form (FoldForSearch), as runs of UTF-16 code
// units.

// The form in which the search compares texts: Unicode NFKC (full-width letters and digits and
// half-width katakana become their usual forms), case folded, and hiragana U+3041 to U+3096 as
// the katakana 0x60 above them. The long-vowel mark and the small kana stay as they are.
QString FoldForSearch(QStringView text);

// The folded words of a query, split at blanks of any width (U+3000 included); empty for a
// query of blanks only.
QStringList SearchWords(const QString& query);

// True when whatever matches `next` also matches `previous`: every previous word occurs in one of
// the next words (typically the query grew by a character). The next result can then be found
// among the previous one.
bool SearchNarrows(const QStringList& previous, const QStringList& next);

// The folded names and values of every item of one document, in document order, for matching as
// the user types. It holds the items' nodes, so a result can be copied or shown; it must be built
// again whenever the document changes, and is wiped (its folded texts overwritten) by clear() and
// on destruction: it lives no longer than the document it was built from.
//
// Items are the `item` and `secret` elements with a name attribute in groups that the group tree
// can reach by their names from the root group: every group on the way has a name that is not
// empty and is the first group of that name among its parent's children. Items of other groups
// cannot be shown in their own list (a lookup by the group's path finds another group) and are
// not indexed.
class ItemSearchIndex {
public:
    ItemSearchIndex() = default;
    ~ItemSearchIndex();
    ItemSearchIndex(const ItemSearchIndex&) = delete;
    ItemSearchIndex& operator=(const ItemSearchIndex&) = delete;

    // Indexes the items below root (the document element); a null root or one that is not a
    // named group gives an empty index that is built all the same. Walks without recursion, for
    // documents of any depth.
    void build(const XmlNode& root);
    // Wipes and forgets everything; built() is false afterwards.
    void clear();
    bool built() const { return built_; }
    int size() const { return int(entries_.size()); }

    // The entries (in document order) whose item matches every word of `words` (folded, as
    // SearchWords gives them). With `within` (entries in document order, e.g. an earlier result
    // that SearchNarrows allows), only those are looked at. No words: no entries.
    std::vector<int> match(const QStringList& words,
                           const std::vector<int>* within = nullptr) const;

    // An entry's item element, the group that holds it, and whether it is a secret.
    const XmlNode& item(int entry) const { return entries_[entry].item; }
    const XmlNode& group(int entry) const { return groups_[entries_[entry].group].node; }
    bool isSecret(int entry) const { return entries_[entry].secret; }
    // The names of the groups from below the root group down to the entry's group, outermost
    // first (empty for an item of the root group).
    QStringList groupNames(int entry) const;

private:
    struct Group {
        XmlNode node;
        int parent = -1;
        // Folded name in text_ (empty for the root group).
        qsizetype at = 0;
        qsizetype length = 0;
    };
    struct Entry {
        XmlNode item;
        int group = 0;
        bool secret = false;
        // Folded name, U+0000 and folded value (plain items only) in text_: a word, which never
        // holds U+0000, matches either but not across both.
        qsizetype at = 0;
        qsizetype length = 0;
    };

    // Appends text to text_, growing it by doubling and wiping every buffer it leaves.
    qsizetype append(QStringView text);

    std::vector<Group> groups_;
    std::vector<Entry> entries_;
    QString text_;
    bool built_ = false;
};
