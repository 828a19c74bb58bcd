#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The password generator of the item edit dialog. The user picks one of six recipes; each press
// of "生成" draws a fresh text from the operating system's random source, so that no clock
// reading or earlier output tells anything about it.

// The recipe texts in the order of the dialog's drop-down list; the list index is the recipe.
QStringList PasswordRecipeTexts();
inline constexpr int kPasswordRecipeCount = 6;

// Where the draws of a password come from: each call returns a value from 0 to bound - 1, every
// value equally likely. Tests pass fixed draws; the program uses the operating system's source.
using PasswordDraw = std::function<std::uint32_t(std::uint32_t bound)>;

// A value from 0 to bound - 1 (bound from 1 to 2^32 - 1) from the operating system's random source
// (getrandom), exactly uniform: 32-bit words that would favour some values are drawn again.
std::uint32_t SystemDraw(std::uint32_t bound);

// A fresh password for the recipe (0 to 5). Each position takes two draws: first its character
// class, uniformly among the recipe's classes (lower-case letters, upper-case letters, symbols
// "#$-=?@[]_" where the recipe has them, digits, in that order), then a character of that class,
// uniformly. No class is forced to appear. Any other recipe yields the empty string, without a
// draw.
QString GeneratePassword(int recipe, const PasswordDraw& draw = SystemDraw);
