#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// The password generator of the item edit dialog. The user picks one of six recipes; each press
// of "生成" draws a fresh text from the kernel's random source, so that no clock reading or
// earlier output tells anything about it. When the kernel gives no random bytes, no password is
// made: there is no weaker source to fall back to.

// The recipe texts in the order of the dialog's drop-down list; the list index is the recipe.
QStringList PasswordRecipeTexts();
inline constexpr int kPasswordRecipeCount = 6;
// Whether recipe is the index of one of them.
constexpr bool IsPasswordRecipe(int recipe) {
    return recipe >= 0 && recipe < kPasswordRecipeCount;
}

// Where the draws of a password come from: each call returns a value from 0 to bound - 1, every
// value equally likely, or nothing when the source has failed. Tests pass fixed or failing draws;
// the program uses the kernel's source.
using PasswordDraw = std::function<std::optional<std::uint32_t>(std::uint32_t bound)>;

// A value from 0 to bound - 1 (bound from 1 to 2^32 - 1) from the kernel's random source, read
// with getrandom(2) itself, exactly uniform: 32-bit words that would favour some values are drawn
// again. Nothing when getrandom fails (not there, refused by a sandbox, any other error).
std::optional<std::uint32_t> SystemDraw(std::uint32_t bound);

// A fresh password for the recipe (0 to 5). Each position takes two draws: first its character
// class, uniformly among the recipe's classes (lower-case letters, upper-case letters, symbols
// "#$-=?@[]_" where the recipe has them, digits, in that order), then a character of that class,
// uniformly. No class is forced to appear. Any other recipe yields the empty string, without a
// draw. Nothing when a draw fails: no part of a password is given out, and what was drawn is
// wiped.
std::optional<QString> GeneratePassword(int recipe, const PasswordDraw& draw = SystemDraw);

// The message for a password that could not be generated (the random source failed).
inline constexpr char16_t kNoRandomSourceText[] =
    u"カーネルの乱数 (getrandom) を得られないため、パスワードを生成できませんでした";
