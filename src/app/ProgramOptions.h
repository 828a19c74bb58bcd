#pragma once

#include <QString>
#include <QStringList>

// The desktop program's command line. It only says where the program's files live (or asks for
// the help or version text); everything else stays in the settings file.
struct ProgramOptions {
    enum class Action {
        Run,          // start the program
        ShowHelp,     // print text to standard output, exit 0
        ShowVersion,  // likewise
        Refuse,       // print text to standard error, exit 2
    };
    enum class Folder {
        Current,  // the folder the program is started in
        Named,    // --folder DIR
        PerUser,  // --user-folder
    };

    // The exit status of Action::Refuse.
    static constexpr int kRefusedExitCode = 2;

    Action action = Action::Run;
    Folder folder = Folder::Current;
    QString namedFolder;  // as given, for Folder::Named
    QString text;         // help or version text, or the error message
};

// Reads the arguments after the program name. Qt's own options (-platform, -style, -display, ...)
// are let through for QApplication; anything else unknown is refused. Needs no QApplication, so
// that help, version and errors work without a display.
ProgramOptions ParseProgramOptions(const QStringList& arguments);
