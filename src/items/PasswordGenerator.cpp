#include "items/PasswordGenerator.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <string_view>

#include "diag/SecureWipe.h"

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
    {u"英数字記号 16文字", true, 16},
    {u"英数字記号 20文字", true, 20},
}};

// The symbol table is kept as its text and its length; the generator takes the count from the
// stored length.
constexpr char kSymbols[] = "#$-=?@[]_";
constexpr int kSymbolCount = 9;
static_assert(std::string_view(kSymbols).size() == kSymbolCount);

enum class CharClass { Lower, Upper, Symbol, Digit };

CharClass ClassOf(std::uint32_t c, bool withSymbols) {
    if (c == 0) return CharClass::Lower;
    if (c == 1) return CharClass::Upper;
    if (withSymbols && c == 2) return CharClass::Symbol;
    return CharClass::Digit;
}

std::uint32_t SetSize(CharClass cls) {
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

QChar CharacterAt(CharClass cls, std::uint32_t i) {
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

// A draw kept inside [0, bound), whatever an injected source returns; nothing when it failed.
std::optional<std::uint32_t> DrawBelow(const PasswordDraw& draw, std::uint32_t bound) {
    const std::optional<std::uint32_t> value = draw(bound);
    if (!value) return std::nullopt;
    return *value < bound ? *value : bound - 1;
}

// Four bytes from the kernel's random source. getrandom(2) blocks only until the kernel's pool
// has been seeded once after boot; a signal may cut a call short, and the call is then repeated.
std::optional<std::uint32_t> KernelRandomWord() {
    std::uint32_t word = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&word);
    std::size_t got = 0;
    while (got < sizeof word) {
        const ssize_t n = getrandom(bytes + got, sizeof word - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        got += static_cast<std::size_t>(n);
    }
    return word;
}

}  // namespace

QStringList PasswordRecipeTexts() {
    QStringList texts;
    for (const Recipe& r : kRecipes) texts.append(QString::fromUtf16(r.text));
    return texts;
}

std::optional<std::uint32_t> SystemDraw(std::uint32_t bound) {
    // Lemire's multiply-and-reject: the high word of word * bound is uniform once the low words
    // below 2^32 mod bound are rejected. (QRandomGenerator::bounded() skips the rejection and so
    // favours some values by up to bound / 2^32; its system() source prefers the CPU's RDRAND and
    // falls back to a seeded generator without a word when nothing else works.)
    if (bound <= 1) return 0;
    const std::uint32_t threshold = static_cast<std::uint32_t>(-bound) % bound;
    while (true) {
        const std::optional<std::uint32_t> word = KernelRandomWord();
        if (!word) return std::nullopt;
        const std::uint64_t product = std::uint64_t{*word} * bound;
        if (static_cast<std::uint32_t>(product) >= threshold)
            return static_cast<std::uint32_t>(product >> 32);
    }
}

std::optional<QString> GeneratePassword(int recipe, const PasswordDraw& draw) {
    if (!IsPasswordRecipe(recipe)) return QString();
    const Recipe& r = kRecipes[static_cast<std::size_t>(recipe)];
    const std::uint32_t classes = r.withSymbols ? 4 : 3;
    QString text;
    text.reserve(r.length);
    for (int pos = 0; pos < r.length; ++pos) {
        const std::optional<std::uint32_t> c = DrawBelow(draw, classes);
        const CharClass cls = ClassOf(c.value_or(0), r.withSymbols);
        const std::optional<std::uint32_t> i = c ? DrawBelow(draw, SetSize(cls)) : std::nullopt;
        if (!i) {
            Wipe(text);
            return std::nullopt;
        }
        text.append(CharacterAt(cls, *i));
    }
    return text;
}
