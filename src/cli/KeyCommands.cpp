// The commands that need no data file: the key verifier and the password generator.
#include <QCommandLineParser>

#include "cli/CliCommandList.h"
#include "cli/CliInput.h"
#include "cli/SecretOutput.h"
#include "diag/SecureWipe.h"
#include "items/PasswordGenerator.h"
#include "storage/KeyVerifier.h"

namespace {

void NoOptions(QCommandLineParser&) {}

// "Recipe: 0 英数字 8文字, 1 英数字記号 8文字, …", in the dialog's words.
void PassgenOptions(QCommandLineParser& parser) {
    const QStringList texts = PasswordRecipeTexts();
    QStringList numbered;
    for (qsizetype i = 0; i < texts.size(); ++i) numbered << QString::number(i) + u' ' + texts[i];
    parser.addPositionalArgument(
        QStringLiteral("N"),
        QStringLiteral("Recipe: ") + numbered.join(QStringLiteral(", ")) + u'.');
}

int RunVerifier(const QCommandLineParser& parser, CliIo& io) {
    if (!NoArguments(parser, io, "verifier", KeysRead::One)) return kExitUsage;
    std::optional<QString> key = ReadTypedKey(io);
    if (!key) return kExitFailed;
    QString verifier = MakeKeyVerifier(*key);
    WriteSecretLine(io.out, verifier);
    Wipe(verifier);
    Wipe(*key);
    return kExitOk;
}

int RunPassgen(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    const std::optional<int> recipe = args.size() == 1 ? RecipeNumber(args.front()) : std::nullopt;
    if (!recipe) {
        CliError(io, QStringLiteral("passgen needs one recipe number from 0 to %1")
                         .arg(kPasswordRecipeCount - 1));
        return kExitUsage;
    }
    std::optional<QString> password = GeneratePassword(*recipe);
    if (!password) {
        CliError(io, QString::fromUtf16(kNoRandomSourceText));
        return kExitFailed;
    }
    WriteSecretLine(io.out, *password);
    Wipe(*password);
    return kExitOk;
}

}  // namespace

CliCommand VerifierCommand() {
    return {"verifier", "verifier", "Print the key verifier of a key (as kept in Zetrova.ini).",
            NoOptions, RunVerifier};
}

CliCommand PassgenCommand() {
    return {"passgen", "passgen N", "Print one generated password of recipe N (0 to 5).",
            PassgenOptions, RunPassgen};
}
