#include <gtest/gtest.h>

#include <QHash>
#include <QSet>
#include <array>
#include <climits>
#include <deque>

#include "items/PasswordGenerator.h"

using namespace Qt::StringLiterals;

namespace {

const QString kLower = u"abcdefghijklmnopqrstuvwxyz"_s;
const QString kUpper = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"_s;
const QString kDigits = u"0123456789"_s;
const QString kSymbols = u"#$-=?@[]_"_s;

// Fixed draws for the generator, recording the bound of every draw it asked for.
struct ScriptedDraws {
    std::deque<std::uint32_t> values;
    std::vector<std::uint32_t> bounds;

    PasswordDraw source() {
        return [this](std::uint32_t bound) -> std::optional<std::uint32_t> {
            bounds.push_back(bound);
            if (values.empty()) return std::uint32_t{0};
            const std::uint32_t v = values.front();
            values.pop_front();
            return v;
        };
    }
};

TEST(PasswordGenerator, RecipeTextsInListOrder) {
    EXPECT_EQ(PasswordRecipeTexts(), (QStringList{u"英数字 8文字"_s, u"英数字記号 8文字"_s,
                                                  u"英数字 10文字"_s, u"英数字記号 10文字"_s,
                                                  u"英数字記号 16文字"_s, u"英数字記号 20文字"_s}));
}

// Each position draws its class among the recipe's classes (3 without symbols: lower, upper,
// digit; 4 with: lower, upper, symbol, digit), then a character of that class; the first and last
// draw of every class give its first and last character.
TEST(PasswordGenerator, InjectedDrawsMapToClassesAndCharacters) {
    struct Case {
        int recipe;
        std::vector<std::uint32_t> draws;  // class, character, class, character, ...
        QString expected;
        std::vector<std::uint32_t> bounds;  // of the first positions
    };
    const std::vector<std::uint32_t> symbolRun = [] {
        std::vector<std::uint32_t> d;
        for (std::uint32_t i = 0; i < 20; ++i) d.insert(d.end(), {2, i % 9});
        return d;
    }();
    const std::vector<Case> cases = {
        {0,
         {0, 0, 0, 25, 1, 0, 1, 25, 2, 0, 2, 9, 0, 14, 1, 12},
         u"azAZ09oM"_s,
         {3, 26, 3, 26, 3, 26, 3, 26, 3, 10, 3, 10, 3, 26, 3, 26}},
        {1,
         {2, 0, 2, 8, 3, 0, 3, 9, 2, 4, 0, 0, 1, 25, 2, 6},
         u"#_09?aZ["_s,
         {4, 9, 4, 9, 4, 10, 4, 10, 4, 9, 4, 26, 4, 26, 4, 9}},
        {2,
         {1, 3, 1, 4, 0, 25, 2, 7, 2, 7, 0, 0, 1, 1, 2, 2, 0, 3, 0, 4},
         u"DEz77aB2de"_s,
         {3, 26, 3, 26, 3, 26, 3, 10}},
        {3,
         {3, 5, 2, 5, 1, 5, 0, 5, 3, 5, 2, 5, 1, 5, 0, 5, 3, 5, 2, 5},
         u"5@Ff5@Ff5@"_s,
         {4, 10, 4, 9, 4, 26, 4, 26}},
        {4, {}, u"aaaaaaaaaaaaaaaa"_s, {4, 26, 4, 26}},
        // The symbols in table order.
        {5, symbolRun, u"#$-=?@[]_#$-=?@[]_#$"_s, {4, 9, 4, 9}},
        // A source that answers out of range is held to the last class and character.
        {2, std::vector<std::uint32_t>(20, 99), u"9999999999"_s, {3, 10, 3, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.recipe);
        ScriptedDraws draws;
        draws.values.assign(c.draws.begin(), c.draws.end());
        EXPECT_EQ(GeneratePassword(c.recipe, draws.source()), c.expected);
        // Exactly two draws per character, the first bounds as listed.
        ASSERT_EQ(draws.bounds.size(), 2 * static_cast<std::size_t>(c.expected.size()));
        EXPECT_EQ(std::vector<std::uint32_t>(draws.bounds.begin(),
                                             draws.bounds.begin() + c.bounds.size()),
                  c.bounds);
    }
}

TEST(PasswordGenerator, RecipeOutsideTheListGivesEmptyTextWithoutADraw) {
    for (int recipe : {-1, 6, 7, INT_MIN, INT_MAX}) {
        ScriptedDraws draws;
        EXPECT_EQ(GeneratePassword(recipe, draws.source()), QString()) << recipe;
        EXPECT_TRUE(draws.bounds.empty()) << recipe;
        EXPECT_EQ(GeneratePassword(recipe), QString()) << recipe;
    }
}

// The real source, on a sample large enough that every bound below holds with a margin of many
// standard deviations: it never fails by chance.
TEST(PasswordGenerator, SystemSourceGivesUniformPasswordsOfEveryRecipe) {
    constexpr int kSamples = 3000;
    const std::array<int, kPasswordRecipeCount> lengths{8, 8, 10, 10, 16, 20};
    QSet<QString> seen;
    for (int recipe = 0; recipe < kPasswordRecipeCount; ++recipe) {
        SCOPED_TRACE(recipe);
        const bool withSymbols = recipe != 0 && recipe != 2;
        const QList<QString> classes =
            withSymbols ? QList{kLower, kUpper, kSymbols, kDigits} : QList{kLower, kUpper, kDigits};
        QHash<QChar, int> counts;
        for (int i = 0; i < kSamples; ++i) {
            const QString text = GeneratePassword(recipe).value();
            ASSERT_EQ(text.size(), lengths[recipe]);
            seen.insert(text);
            for (QChar c : text) ++counts[c];
        }
        const double total = double(kSamples) * lengths[recipe];
        int reached = 0;
        for (const QString& cls : classes) {
            int inClass = 0;
            for (QChar c : cls) {
                const int n = counts.value(c);
                inClass += n;
                reached += n > 0;
                // Every character of the class about equally often.
                const double expected = total / classes.size() / cls.size();
                EXPECT_GT(n, expected / 2) << QString(c).toStdString();
                EXPECT_LT(n, expected * 2) << QString(c).toStdString();
            }
            // The classes share the positions equally.
            EXPECT_NEAR(inClass / total, 1.0 / classes.size(), 0.03) << cls.toStdString();
        }
        // Nothing outside the recipe's alphabet, and all of it reached.
        EXPECT_EQ(reached, counts.size());
        EXPECT_EQ(reached, withSymbols ? 71 : 62);
    }
    // No password came twice: the draws do not repeat.
    EXPECT_EQ(seen.size(), kSamples * kPasswordRecipeCount);

    for (std::uint32_t bound : {1u, 2u, 3u, 26u, 0x80000001u, 0xFFFFFFFFu}) {
        std::uint32_t highest = 0;
        for (int i = 0; i < 200; ++i) highest = std::max(highest, SystemDraw(bound).value());
        EXPECT_LT(highest, bound);
        if (bound > 2) {
            EXPECT_GT(highest, 0u) << bound;
        }
    }
}

}  // namespace
