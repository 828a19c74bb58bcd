#pragma once

#include <QString>
#include <optional>

#include "cli/CliIo.h"

// What the commands read from the user: the key, an item's value (or the recipe that draws it)
// and a new key.

// The longest item value a command takes, in UTF-16 code units. A longer line on standard input
// is taken for a mistake (a file piped in by accident) rather than stored.
inline constexpr qsizetype kLongestItemValue = 1024 * 1024;

// The key typed for the command (io.readKey), or nothing after "キーを入力してください" when none
// or an empty one was given, or "キーが長すぎます（4194304バイトまで）" for one past the longest
// line read.
std::optional<QString> ReadTypedKey(CliIo& io);

// The recipe a command-line number names (as passgen and --generate take it), or nothing.
std::optional<int> RecipeNumber(const QString& text);

// An item's value: drawn from the password recipe when one is given (nothing is printed), else
// the next line of input, asked for on a terminal (without echo for a secret). Nothing, after the
// message, when the input has ended, is not UTF-8, is too long or holds a character the data file
// cannot hold (kValueUnstorable), or the random source failed.
std::optional<QString> ReadItemValue(CliIo& io, bool secret, std::optional<int> recipe);

// A new key, asked for twice (on a terminal; otherwise the next two lines of input), as the
// settings dialog takes it: not empty ("キーを入力してください"), only printable ASCII without the
// space ("キーにできるのは半角の英数字と記号のみです"), at most kLongestKey characters
// (kKeyTooLong), and both the same. Its verifier, or
// nothing after the message; the typed keys are wiped.
std::optional<QString> ReadNewKeyVerifier(CliIo& io);
