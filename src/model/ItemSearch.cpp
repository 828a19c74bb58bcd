#include "model/ItemSearch.h"

#include <QSet>
#include <algorithm>
#include <cstdint>

#include "diag/SecureWipe.h"
#include "model/Schema.h"
#include "model/XmlText.h"

namespace {

constexpr char16_t kFirstHiragana = 0x3041;  // ぁ
constexpr char16_t kLastHiragana = 0x3096;   // ゖ
constexpr char16_t kKatakanaOffset = 0x60;   // ァ - ぁ

// The words a mask of one 64-bit word can record; longer queries are matched in parts.
constexpr qsizetype kWordsPerPass = 64;

bool IsAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

QString FoldForSearch(QStringView text) {
    QString folded;
    if (IsAscii(text)) {
        // NFKC leaves ASCII as it is, and case folding is then the lower case.
        folded = text.toString();
        for (QChar& c : folded)
            if (c.unicode() >= u'A' && c.unicode() <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
        return folded;
    }
    QString copy = text.toString();
    folded = copy.normalized(QString::NormalizationForm_KC).toCaseFolded();
    // Text already in that form comes back sharing the copy's buffer.
    WipeOwnCopy(copy);
    for (QChar& c : folded)
        if (c.unicode() >= kFirstHiragana && c.unicode() <= kLastHiragana)
            c = QChar(char16_t(c.unicode() + kKatakanaOffset));
    return folded;
}

QStringList SearchWords(const QString& query) {
    // Names and values are stored in their XML form; the words are compared in the same form.
    const QString folded = FoldForSearch(ToXmlCharacters(query));
    QStringList words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= folded.size(); ++i) {
        const bool blank = i == folded.size() || folded.at(i).isSpace();
        if (!blank && start < 0) start = i;
        if (blank && start >= 0) {
            words.append(folded.mid(start, i - start));
            start = -1;
        }
    }
    return words;
}

bool SearchNarrows(const QStringList& previous, const QStringList& next) {
    if (previous.isEmpty()) return false;
    return std::all_of(previous.begin(), previous.end(), [&next](const QString& word) {
        return std::any_of(next.begin(), next.end(),
                           [&word](const QString& n) { return n.contains(word); });
    });
}

ItemSearchIndex::~ItemSearchIndex() {
    clear();
}

void ItemSearchIndex::clear() {
    Wipe(text_);
    groups_.clear();
    groups_.shrink_to_fit();
    entries_.clear();
    entries_.shrink_to_fit();
    built_ = false;
}

qsizetype ItemSearchIndex::append(QStringView text) {
    const qsizetype at = text_.size();
    if (at + text.size() > text_.capacity()) {
        // Grown here rather than by QString, so that the buffer left behind is wiped.
        QString grown;
        grown.reserve(std::max<qsizetype>(2 * text_.capacity(), at + text.size() + 4096));
        grown.append(text_);
        Wipe(text_);
        text_ = std::move(grown);
    }
    text_.append(text);
    return at;
}

void ItemSearchIndex::build(const XmlNode& root) {
    clear();
    built_ = true;
    if (!schema::IsGroup(root) || schema::NameOf(root).isEmpty()) return;
    groups_.push_back({root, -1, 0, 0});

    // One frame per open group: the next child to look at, the group's index, and the names of
    // the sub-groups seen so far (a later sub-group of the same name cannot be reached).
    struct Frame {
        XmlNode next;
        int group;
        QSet<QString> seen;
    };
    std::vector<Frame> open;
    open.push_back({root.firstChild(), 0, {}});
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.next.isNull()) {
            open.pop_back();
            continue;
        }
        const XmlNode node = frame.next;
        frame.next = node.nextSibling();
        const int parent = frame.group;
        if (schema::IsGroup(node)) {
            const QString name = schema::NameOf(node);
            if (name.isEmpty() || frame.seen.contains(name)) continue;
            frame.seen.insert(name);
            QString folded = FoldForSearch(name);
            groups_.push_back({node, parent, append(folded), folded.size()});
            Wipe(folded);
            open.push_back({node.firstChild(), int(groups_.size()) - 1, {}});
            continue;
        }
        const bool plain = schema::IsElementNamed(node, schema::kItem);
        if (!plain && !schema::IsElementNamed(node, schema::kSecret)) continue;
        const std::optional<QString> name = node.attribute(schema::kName);
        if (!name) continue;
        QString folded = FoldForSearch(*name);
        folded.append(QChar(u'\0'));
        if (plain) {
            QString value = node.text();
            folded.append(FoldForSearch(value));
            Wipe(value);
        }
        entries_.push_back({node, parent, !plain, append(folded), folded.size()});
        Wipe(folded);
    }
}

std::vector<int> ItemSearchIndex::match(const QStringList& words,
                                        const std::vector<int>* within) const {
    if (words.isEmpty()) return {};
    if (words.size() > kWordsPerPass) {
        const std::vector<int> first = match(words.first(kWordsPerPass), within);
        return match(words.sliced(kWordsPerPass), &first);
    }
    const QStringView text(text_);
    // Bit w of a group's mask: word w occurs in the name of the group or of a group above it.
    // Parents come before their sub-groups.
    std::vector<std::uint64_t> groupHits(groups_.size());
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const Group& group = groups_[g];
        std::uint64_t hits = group.parent >= 0 ? groupHits[group.parent] : 0;
        const QStringView name = text.sliced(group.at, group.length);
        for (qsizetype w = 0; w < words.size(); ++w)
            if (!(hits >> w & 1) && name.contains(words[w])) hits |= std::uint64_t(1) << w;
        groupHits[g] = hits;
    }
    const std::uint64_t all =
        words.size() == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << words.size()) - 1;

    std::vector<int> found;
    const auto look = [&](int e) {
        const Entry& entry = entries_[e];
        const std::uint64_t need = all & ~groupHits[entry.group];
        if (need) {
            const QStringView own = text.sliced(entry.at, entry.length);
            for (qsizetype w = 0; w < words.size(); ++w)
                if ((need >> w & 1) && !own.contains(words[w])) return;
        }
        found.push_back(e);
    };
    if (within) {
        for (int e : *within) look(e);
    } else {
        for (int e = 0; e < int(entries_.size()); ++e) look(e);
    }
    return found;
}

QStringList ItemSearchIndex::groupNames(int entry) const {
    QStringList names;
    for (int g = entries_[entry].group; g > 0; g = groups_[g].parent)
        names.prepend(schema::NameOf(groups_[g].node));
    return names;
}
