#include <gtest/gtest.h>

#include "model/ItemSearch.h"
#include "support/Documents.h"
#include "support/QtPrinters.h"

using namespace Qt::StringLiterals;

namespace {

// The names, as "group/.../item", of what the query finds in doc, in the order found.
QStringList Found(const XmlDocument& doc, const QString& query) {
    ItemSearchIndex index;
    index.build(doc.documentElement());
    QStringList out;
    for (int e : index.match(SearchWords(query)))
        out << (index.groupNames(e) << schema::NameOf(index.item(e))).join(u'/');
    return out;
}

}  // namespace

// What a person types finds what was stored however its width, case or kana differ.
TEST(ItemSearch, FoldsWidthCaseAndKanaButNotLongVowelsOrSmallKana) {
    const struct {
        QString stored, typed;
        bool found;
    } cases[] = {
        {u"ＧｉｔＨｕｂ"_s, u"github"_s, true},
        {u"ぎんこう"_s, u"ギンコウ"_s, true},
        {u"ｷﾞﾝｺｳ"_s, u"ぎんこう"_s, true},  // half-width katakana with its voiced mark
        {u"メール"_s, u"めーる"_s, true},
        {u"ﾒｰﾙ"_s, u"メール"_s, true},     // the half-width long-vowel mark is the same mark
        {u"メール"_s, u"メル"_s, false},   // the long-vowel mark is not dropped
        {u"メール"_s, u"メ-ル"_s, false},  // nor the same as a hyphen
        {u"キャッシュ"_s, u"キヤツシユ"_s, false},  // small kana stay small
        {u"ｷｬｯｼｭ"_s, u"きゃっしゅ"_s, true},
        {u"パスワード"_s, u"はす"_s, false},  // voiced and plain kana differ
        {u"Ärzte"_s, u"äRZTE"_s, true},
        {u"①番"_s, u"1番"_s, true},  // NFKC compatibility forms
        {u"㈱ゼトロバ"_s, u"(株)"_s, true},
        {u"口座　番号"_s, u"口座 番号"_s, true},  // an ideographic blank splits words too
        {u"PIN"_s, u"  "_s, false},               // blanks alone are no query
    };
    for (const auto& c : cases) {
        const XmlDocument doc = BuildDocument({Item(c.stored, u"-"_s)});
        EXPECT_EQ(Found(doc, c.typed).size(), c.found ? 1 : 0)
            << (c.stored + u" / "_s + c.typed).toStdString();
    }
}

// Every word must occur in the name, the plain value or a group name on the way down; secret
// values and the root group's name never count; results come in document order.
TEST(ItemSearch, AllWordsInNameValueOrGroupsNeverInSecretsInDocumentOrder) {
    const XmlDocument doc = BuildDocument({
        Item(u"top"_s, u"github.com"_s),
        Group(u"銀行"_s, {Item(u"口座"_s, u"1234"_s), Secret(u"暗証"_s, u"hunter2"_s),
                          Group(u"ネット"_s, {Item(u"ID"_s, u"taro@example.jp"_s)}),
                          Item(u"支店"_s, u"渋谷"_s)}),
        Group(u"Mail"_s, {Item(u"user"_s, u"taro"_s), Secret(u"GitHub token"_s, u"ghp_x"_s)}),
        Group(u"Mail"_s, {Item(u"hidden"_s, u"taro"_s)}),  // shadowed by the first Mail
        Group(QString(), {Item(u"nameless"_s, u"taro"_s)}),
    });
    const struct {
        QString query;
        QStringList found;
    } cases[] = {
        {u"ぎんこう"_s, {}},
        {u"銀行"_s, {u"銀行/口座"_s, u"銀行/暗証"_s, u"銀行/ネット/ID"_s, u"銀行/支店"_s}},
        {u"taro"_s, {u"銀行/ネット/ID"_s, u"Mail/user"_s}},
        {u"ねっと TARO"_s, {u"銀行/ネット/ID"_s}},
        {u"taro ねっと"_s, {u"銀行/ネット/ID"_s}},
        {u"github"_s, {u"top"_s, u"Mail/GitHub token"_s}},
        {u"hunter"_s, {}},  // a secret value
        {u"ghp"_s, {}},
        {u"暗証"_s, {u"銀行/暗証"_s}},  // a secret's name
        {u"root"_s, {}},
        {u"銀行 mail"_s, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(Found(doc, c.query), c.found) << c.query.toStdString();
}

// A result narrowed by a longer query is the same as a fresh match; clear() forgets everything.
TEST(ItemSearch, NarrowingGivesTheFreshResultAndClearForgets) {
    const XmlDocument doc = ThousandGroupsOfItems();
    ItemSearchIndex index;
    index.build(doc.documentElement());
    const QStringList queries[] = {{"1"}, {"12"}, {"123"}, {"123", "group1"}};
    std::vector<int> previous = index.match(SearchWords("1"));
    for (std::size_t i = 1; i < std::size(queries); ++i) {
        ASSERT_TRUE(SearchNarrows(queries[i - 1], queries[i]));
        const std::vector<int> narrowed = index.match(queries[i], &previous);
        EXPECT_EQ(narrowed, index.match(queries[i])) << queries[i].join(u' ').toStdString();
        previous = narrowed;
    }
    EXPECT_FALSE(SearchNarrows({"12"}, {"13"}));
    EXPECT_FALSE(SearchNarrows({}, {"1"}));
    index.clear();
    EXPECT_FALSE(index.built());
    EXPECT_EQ(index.size(), 0);
    EXPECT_TRUE(index.match({"1"}).empty());
}
