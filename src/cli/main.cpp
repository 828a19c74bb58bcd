#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <memory>

#include "CliCommands.h"
#include "DisplayProbe.h"
#include "ProcessHardening.h"

int main(int argc, char** argv) {
    HardenProcess();
    // Only clip needs the display, and only when one can be reached: every other command, and
    // clip's own refusal, work without one.
    std::unique_ptr<QCoreApplication> app;
    const bool clip = argc > 1 && std::strcmp(argv[1], "clip") == 0;
    // A Wayland compositor takes the clipboard only from a window with the input focus; the X11
    // clipboard (XWayland's, in a Wayland session) takes it from a program without a window.
    if (clip && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (clip && CanOpenDisplay(argc, argv))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io{out, err, ReadKeyFromConsole};
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return RunCli(args, io);
}
