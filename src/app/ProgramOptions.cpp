#include "app/ProgramOptions.h"

#include <QCommandLineParser>

#include "app/AppIdentity.h"

namespace {

// The options QGuiApplication and QApplication take from the command line themselves.
constexpr const char* kQtValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "qmljsdebugger", "dialogs", "fontengine",
};
constexpr const char* kQtFlagOptions[] = {"reverse", "widgetcount"};

constexpr char kHelpText[] =
    "Usage: zetrova [--folder DIR | --user-folder]\n"
    "\n"
    "情報管理ツール Zetrova: personal information and passwords in one encrypted file.\n"
    "\n"
    "Options:\n"
    "  --folder DIR    Keep the files in DIR (made with mode 0700 when missing).\n"
    "  --user-folder   Keep the files in the per-user data folder $XDG_DATA_HOME/zetrova\n"
    "                  (default ~/.local/share/zetrova, made with mode 0700 when missing);\n"
    "                  the desktop menu entry starts the program so.\n"
    "  -h, --help      Print this help.\n"
    "  --version       Print the version.\n"
    "\n"
    "Without an option the files are those of the folder the program is started in.\n"
    "There: Zetrova.ini (settings: DATA, KEY, ONTASKBAR), Zetrova.dat (the encrypted data,\n"
    "unless DATA names another file) and help/index.html (else the installed help page).\n"
    "One instance runs per user; a second start says 起動済みです and ends.\n";

ProgramOptions Refused(const QString& message) {
    ProgramOptions options;
    options.action = ProgramOptions::Action::Refuse;
    options.text = QStringLiteral("zetrova: ") + message +
                   QStringLiteral("\nTry 'zetrova --help' for the options.\n");
    return options;
}

}  // namespace

ProgramOptions ParseProgramOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    // Qt's options are single-dash words (-platform, -style); ours take one or two dashes.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption folder(QStringLiteral("folder"), {}, QStringLiteral("DIR"));
    const QCommandLineOption userFolder(QStringLiteral("user-folder"), {});
    parser.addOptions({help, version, folder, userFolder});
    for (const char* name : kQtValueOptions)
        parser.addOption({QString::fromLatin1(name), {}, QStringLiteral("value")});
    for (const char* name : kQtFlagOptions) parser.addOption({QString::fromLatin1(name), {}});

    // QCommandLineParser expects the program name first.
    if (!parser.parse(QStringList{QStringLiteral("zetrova")} + arguments))
        return Refused(parser.errorText());
    ProgramOptions options;
    if (parser.isSet(help)) {
        options.action = ProgramOptions::Action::ShowHelp;
        options.text = QString::fromUtf8(kHelpText);
        return options;
    }
    if (parser.isSet(version)) {
        options.action = ProgramOptions::Action::ShowVersion;
        options.text = QString::fromUtf16(kProgramVersionText) + u'\n';
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return Refused(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().front()));
    if (parser.isSet(folder) && parser.isSet(userFolder))
        return Refused(QStringLiteral("--folder and --user-folder exclude each other"));
    if (parser.isSet(folder)) {
        options.folder = ProgramOptions::Folder::Named;
        options.namedFolder = parser.values(folder).constLast();
        if (options.namedFolder.isEmpty())
            return Refused(QStringLiteral("--folder needs a folder"));
    } else if (parser.isSet(userFolder)) {
        options.folder = ProgramOptions::Folder::PerUser;
    }
    return options;
}
