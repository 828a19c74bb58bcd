#include <gtest/gtest.h>

#include <QSet>
#include <array>
#include <climits>

#include "PasswordGenerator.h"

using namespace Qt::StringLiterals;

namespace {

const QString kLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString kDigits = QStringLiteral("0123456789");
const QString kSymbols = QStringLiteral("#$-=?@[]_");

enum Kind { Lower, Upper, Digit, Symbol, Foreign };

Kind KindOf(QChar c) {
    if (c >= u'a' && c <= u'z') return Lower;
    if (c >= u'A' && c <= u'Z') return Upper;
    if (c >= u'0' && c <= u'9') return Digit;
    if (kSymbols.contains(c)) return Symbol;
    return Foreign;
}

TEST(PasswordGenerator, RecipeTextsInListOrder) {
    EXPECT_EQ(PasswordRecipeTexts(), (QStringList{u"英数字 8文字"_s, u"英数字記号 8文字"_s,
                                                  u"英数字 10文字"_s, u"英数字記号 10文字"_s}));
}

// The random source is the well-known generator whose first outputs for the seed 1 are
// 41, 18467, 6334, 26500, ...
TEST(PasswordGenerator, RandomSourceGivesTheKnownSequence) {
    const std::array<int, 10> expected{41,    18467, 6334,  26500, 19169,
                                       15724, 11478, 29358, 26962, 24464};
    PasswordRandom random(1);
    for (int value : expected) EXPECT_EQ(random.draw(), value);

    PasswordRandom wraps(0xFFFFFFFFu);  // the state wraps modulo 2^32
    EXPECT_EQ(wraps.draw(), ((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF);
}

// Worked by hand from the sequence above, two draws per character: (41, 18467) is class
// 41/32767*3 = 0.004 -> lower case, index 18467/32767*26 = 14.7 -> "o"; (6334, 26500) -> "v";
// (19169, 15724): class 1.75 -> upper, 12.5 -> "M" (with four classes 2.34 -> symbol, 4.3 -> "?");
// and so on.
TEST(PasswordGenerator, FixedSeedDrawsExactCharacters) {
    EXPECT_EQ(GeneratePassword(0, 1), u"ovMX7w5a"_s);
    EXPECT_EQ(GeneratePassword(1, 1), u"ov?X7w?A"_s);
    EXPECT_EQ(GeneratePassword(2, 1), u"ovMX7w5aje"_s);
    EXPECT_EQ(GeneratePassword(3, 1), u"ov?X7w?Aje"_s);
    EXPECT_EQ(GeneratePassword(3, 12345), u"p6s17L@L-1"_s);
}

TEST(PasswordGenerator, RecipeOutsideTheListGivesEmptyText) {
    for (int recipe : {-1, 4, INT_MIN, INT_MAX}) {
        EXPECT_TRUE(GeneratePassword(recipe).isEmpty()) << recipe;
        EXPECT_TRUE(GeneratePassword(recipe, 7).isEmpty()) << recipe;
    }
}

TEST(PasswordGenerator, BoundaryDrawsMapToTheLastClassAndCharacter) {
    // Without symbols: 0..21844 lower/upper, from 21845 (2.00006) on digits; 32767 is class 3.
    EXPECT_EQ(PasswordCharacter(0, 0, false), u'a');
    EXPECT_EQ(PasswordCharacter(0, 32767, false), u'z');
    EXPECT_EQ(PasswordCharacter(21844, 32767, false), u'Z');
    EXPECT_EQ(PasswordCharacter(21845, 0, false), u'0');
    EXPECT_EQ(PasswordCharacter(32767, 32767, false), u'9');
    // With symbols: symbols from 16384 (2.00006) to 24575 (2.99997), digits above.
    EXPECT_EQ(PasswordCharacter(16383, 32767, true), u'Z');
    EXPECT_EQ(PasswordCharacter(16384, 0, true), u'#');
    EXPECT_EQ(PasswordCharacter(24575, 32767, true), u'_');
    EXPECT_EQ(PasswordCharacter(24576, 0, true), u'0');
    EXPECT_EQ(PasswordCharacter(32767, 32767, true), u'9');
}

TEST(PasswordGenerator, OnlyAllowedCharactersLengthsAndShares) {
    for (int recipe = 0; recipe < kPasswordRecipeCount; ++recipe) {
        const bool withSymbols = recipe == 1 || recipe == 3;
        const int length = recipe < 2 ? 8 : 10;
        std::array<int, 5> counts{};
        for (std::uint32_t seed = 0; seed < 2000; ++seed) {
            const QString text = GeneratePassword(recipe, seed * 2654435761u);
            ASSERT_EQ(text.size(), length) << recipe;
            for (QChar c : text) ++counts[KindOf(c)];
        }
        const int total = 2000 * length;
        EXPECT_EQ(counts[Foreign], 0) << recipe;
        if (!withSymbols) {
            EXPECT_EQ(counts[Symbol], 0) << recipe;
        }
        // Each class takes about a quarter (with symbols) or a third (without).
        const double share = withSymbols ? 0.25 : 1.0 / 3.0;
        for (Kind k : {Lower, Upper, Digit, Symbol}) {
            if (k == Symbol && !withSymbols) continue;
            EXPECT_NEAR(counts[k] / double(total), share, 0.03) << recipe << " class " << k;
        }
    }
}

TEST(PasswordGenerator, CounterSeedMovesBetweenPresses) {
    QSet<QString> seen;
    for (int i = 0; i < 5; ++i) {
        const QString text = GeneratePassword(3);
        EXPECT_EQ(text.size(), 10);
        seen.insert(text);
    }
    EXPECT_GT(seen.size(), 1);
}

}  // namespace
