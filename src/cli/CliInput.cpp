#include "cli/CliInput.h"

#include "cli/CliError.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "items/ItemRules.h"
#include "items/KeyCharacters.h"
#include "items/PasswordGenerator.h"
#include "model/XmlText.h"
#include "storage/KeyVerifier.h"

namespace {

CliLine ReadLine(CliIo& io, const QString& prompt, bool hidden) {
    return io.readLine ? io.readLine(prompt, hidden) : CliLine{};
}

}  // namespace

std::optional<QString> ReadTypedKey(CliIo& io) {
    CliLine key = io.readKey();
    if (key.status == CliLine::Status::Read && !key.text.isEmpty()) return std::move(key.text);
    if (key.status == CliLine::Status::TooLong)
        CliError(io, FormatText(u"キーが長すぎます（%dバイトまで）",
                                {static_cast<long long>(kLongestInputLine)}));
    else
        CliError(io, QStringLiteral("キーを入力してください"));
    return std::nullopt;
}

std::optional<int> RecipeNumber(const QString& text) {
    bool ok = false;
    const int recipe = text.toInt(&ok);
    return ok && IsPasswordRecipe(recipe) ? std::optional(recipe) : std::nullopt;
}

std::optional<QString> ReadItemValue(CliIo& io, bool secret, std::optional<int> recipe) {
    if (recipe) {
        std::optional<QString> password = GeneratePassword(*recipe);
        if (!password) CliError(io, QString::fromUtf16(kNoRandomSourceText));
        return password;
    }
    CliLine line = ReadLine(io, QStringLiteral("値: "), secret);
    switch (line.status) {
        case CliLine::Status::End:
            CliError(io, QStringLiteral("no value: give it on the line after the key; nothing "
                                        "was changed"));
            return std::nullopt;
        case CliLine::Status::NotUtf8:
            CliError(io, QStringLiteral("the value is not valid UTF-8; nothing was changed"));
            return std::nullopt;
        case CliLine::Status::TooLong:
            break;
        case CliLine::Status::Read:
            if (line.text.size() > kLongestItemValue) {
                Wipe(line.text);
                break;
            }
            if (IsStorableText(line.text)) return std::move(line.text);
            Wipe(line.text);
            CliError(io, QString::fromUtf16(kValueUnstorable));
            return std::nullopt;
    }
    CliError(io, FormatText(u"the value is longer than %d characters; nothing was changed",
                            {static_cast<long long>(kLongestItemValue)}));
    return std::nullopt;
}

std::optional<QString> ReadNewKeyVerifier(CliIo& io) {
    CliLine first =
        ReadLine(io, QStringLiteral("新しいキー (半角の英数字と記号、36文字まで): "), true);
    CliLine second;
    const bool tooLong = first.status == CliLine::Status::Read && first.text.size() > kLongestKey;
    if (first.status == CliLine::Status::Read && !first.text.isEmpty() &&
        IsAllowedKeyText(first.text) && !tooLong)
        second = ReadLine(io, QStringLiteral("新しいキー (もう一度): "), true);
    std::optional<QString> verifier;
    if (first.status == CliLine::Status::NotUtf8 ||
        (first.status == CliLine::Status::Read && !IsAllowedKeyText(first.text)))
        CliError(io, QStringLiteral("キーにできるのは半角の英数字と記号のみです"));
    else if (tooLong || first.status == CliLine::Status::TooLong)
        CliError(io, QString::fromUtf16(kKeyTooLong));
    else if (first.status != CliLine::Status::Read || first.text.isEmpty())
        CliError(io, QStringLiteral("キーを入力してください"));
    else if (second.status != CliLine::Status::Read || second.text != first.text)
        CliError(io, QStringLiteral("the two new keys differ; nothing was changed"));
    else
        verifier = MakeKeyVerifier(first.text);
    Wipe(first.text);
    Wipe(second.text);
    return verifier;
}
