#include "PasswordGenerator.h"

#include <array>
#include <chrono>
#include <string_view>

namespace {

struct Recipe {
    const char16_t* text;
    bool withSymbols;
    int length;
};

constexpr std::array<Recipe, kPasswordRecipeCount> kRecipes{{
    {u"英数字 8文字", false, 8},
    {u"英数字記号 8文字", true, 8},
    {u"英数字 10文字", false, 10},
    {u"英数字記号 10文字", true, 10},
}};

// The symbol table is kept as its text and its length; the generator takes the count from the
// stored length.
constexpr char kSymbols[] = "#$-=?@[]_";
constexpr int kSymbolCount = 9;
static_assert(std::string_view(kSymbols).size() == kSymbolCount);

enum class CharClass { Lower, Upper, Symbol, Digit };

// Scales a draw of 0..32767 to 0..count, truncating toward zero; only the draw 32767 gives count.
int Scale(int draw, int count) {
    return static_cast<int>(draw / 32767.0 * count);
}

CharClass ClassOf(int c, bool withSymbols) {
    if (c == 0) return CharClass::Lower;
    if (c == 1) return CharClass::Upper;
    if (withSymbols && c == 2) return CharClass::Symbol;
    return CharClass::Digit;
}

int SetSize(CharClass cls) {
    switch (cls) {
        case CharClass::Lower:
        case CharClass::Upper:
            return 26;
        case CharClass::Symbol:
            return kSymbolCount;
        case CharClass::Digit:
            break;
    }
    return 10;
}

QChar CharacterAt(CharClass cls, int i) {
    switch (cls) {
        case CharClass::Lower:
            return QChar(u'a' + i);
        case CharClass::Upper:
            return QChar(u'A' + i);
        case CharClass::Symbol:
            return QLatin1Char(kSymbols[i]);
        case CharClass::Digit:
            break;
    }
    return QChar(u'0' + i);
}

std::uint32_t CounterSeed() {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ns.count()));
}

}  // namespace

QStringList PasswordRecipeTexts() {
    QStringList texts;
    for (const Recipe& r : kRecipes) texts.append(QString::fromUtf16(r.text));
    return texts;
}

QChar PasswordCharacter(int classDraw, int indexDraw, bool withSymbols) {
    const CharClass cls = ClassOf(Scale(classDraw, withSymbols ? 4 : 3), withSymbols);
    const int n = SetSize(cls);
    int i = Scale(indexDraw, n);
    if (i >= n) i = n - 1;
    if (i < 0) i = 0;
    return CharacterAt(cls, i);
}

QString GeneratePassword(int recipe, std::uint32_t seed) {
    if (recipe < 0 || recipe >= kPasswordRecipeCount) return {};
    const Recipe& r = kRecipes[static_cast<std::size_t>(recipe)];
    PasswordRandom random(seed);
    QString text;
    text.reserve(r.length);
    for (int pos = 0; pos < r.length; ++pos) {
        const int classDraw = random.draw();
        const int indexDraw = random.draw();
        text.append(PasswordCharacter(classDraw, indexDraw, r.withSymbols));
    }
    return text;
}

QString GeneratePassword(int recipe) {
    return GeneratePassword(recipe, CounterSeed());
}
