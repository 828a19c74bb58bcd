// The commands that need no data file: the key verifier and the password generator.
#include <QCommandLineParser>

#include "CliCommandList.h"
#include "KeyVerifier.h"
#include "PasswordGenerator.h"
#include "SecretOutput.h"
#include "SecureWipe.h"

namespace {

void NoOptions(QCommandLineParser&) {}

void PassgenOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("N"),
                                 QStringLiteral("Recipe: 0 英数字 8文字, 1 英数字記号 8文字, "
                                                "2 英数字 10文字, 3 英数字記号 10文字, "
                                                "4 英数字記号 16文字, 5 英数字記号 20文字."));
}

int RunVerifier(const QCommandLineParser& parser, CliIo& io) {
    if (!parser.positionalArguments().isEmpty()) {
        CliError(io, QStringLiteral("verifier takes no arguments; the key is read from the "
                                    "terminal or standard input"));
        return kExitUsage;
    }
    std::optional<QString> key = io.readKey();
    if (!key || key->isEmpty()) {
        CliError(io, QStringLiteral("キーを入力してください"));
        return kExitFailed;
    }
    QString verifier = MakeKeyVerifier(*key);
    WriteSecretLine(io.out, verifier);
    Wipe(verifier);
    Wipe(*key);
    return kExitOk;
}

int RunPassgen(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    bool ok = false;
    const int recipe = args.size() == 1 ? args.front().toInt(&ok) : -1;
    if (!ok || recipe < 0 || recipe >= kPasswordRecipeCount) {
        CliError(io, QStringLiteral("passgen needs one recipe number from 0 to %1")
                         .arg(kPasswordRecipeCount - 1));
        return kExitUsage;
    }
    std::optional<QString> password = GeneratePassword(recipe);
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
