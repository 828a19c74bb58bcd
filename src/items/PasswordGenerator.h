#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <cstdint>

// The password generator of the item edit dialog. The user picks one of four recipes; each press
// of "生成" draws a fresh text from a linear congruential generator seeded from a fast counter.

// The recipe texts in the order of the dialog's drop-down list; the list index is the recipe.
QStringList PasswordRecipeTexts();
inline constexpr int kPasswordRecipeCount = 4;

// A fresh password for the recipe (0 to 3), seeded from the low 32 bits of the steady clock's
// nanosecond count read now. Any other recipe yields the empty string.
QString GeneratePassword(int recipe);

// The same with an explicit seed, so that the drawn characters can be checked.
QString GeneratePassword(int recipe, std::uint32_t seed);

// The random source: s = s * 214013 + 2531011 (mod 2^32), each draw yields (s >> 16) & 0x7FFF.
class PasswordRandom {
public:
    explicit PasswordRandom(std::uint32_t seed) : state_(seed) {}
    int draw() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_;
};

// One position of a password from its two draws (each 0 to 32767): the first picks the character
// class, the second the character within the class.
QChar PasswordCharacter(int classDraw, int indexDraw, bool withSymbols);
