#include <unistd.h>

#include <QByteArrayView>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/CliCommandList.h"
#include "cli/CliCommands.h"
#include "cli/CliEscape.h"
#include "cli/WaylandClipboard.h"
#include "diag/FormatText.h"
#include "diag/MemoryReuse.h"
#include "diag/ProcessHardening.h"
#include "diag/SecureWipe.h"
#include "items/clipboard/DisplayProbe.h"

namespace {

// Names, paths and texts are taken in UTF-8 only: an argument in another encoding would be read
// with U+FFFD in place of its bad bytes, and a file of that other name written or looked for.
// Refuses the first argument that is not valid UTF-8 with a usage message; true when all are.
bool ArgumentsAreUtf8(int argc, char** argv, CliIo& io) {
    for (int i = 1; i < argc; ++i) {
        if (QByteArrayView(argv[i]).isValidUtf8()) continue;
        CliError(io, FormatText(u"argument %d is not valid UTF-8 (bad bytes shown as U+FFFD): %s",
                                {i, EscapeLine(QString::fromUtf8(argv[i]))}));
        return false;
    }
    return true;
}

// The whole program, in a frame of its own below main's, so that what its work left on the stack
// lies where main's last call wipes it.
__attribute__((noinline)) int Run(int argc, char** argv) {
    // Unbuffered: what the stream flushes goes to write(2) at once, a failure is kept with its
    // reason, and a secret written past the stream (SecretOutput.h) leaves no copy behind.
    QFile standardOutput;
    standardOutput.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                        QFileDevice::DontCloseHandle);
    QTextStream out(&standardOutput);
    QTextStream err(stderr);
    CliIo io{out, err, ReadKeyFromConsole, ReadLineFromConsole};
    // Before the application object, which reads (and may take away) some arguments of its own.
    if (!ArgumentsAreUtf8(argc, argv, io)) return kExitUsage;
    // Only clip needs the display, and only when one can be reached: every other command, and
    // clip's own refusal, work without one.
    std::unique_ptr<QCoreApplication> app;
    const bool clip = argc > 1 && std::strcmp(argv[1], "clip") == 0;
    // A Wayland compositor takes the clipboard only from a window with the input focus; the X11
    // clipboard (XWayland's, in a Wayland session) takes it from a program without a window.
    if (clip && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Without X11 clip sets a Wayland clipboard itself, with no Qt platform in between.
    if (clip && !IsWaylandWithoutX11() && CanOpenDisplay(argc, argv))
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return RunCli(args, io);
}

}  // namespace

int main(int argc, char** argv) {
    return RunHardened(argc, argv, Run);
}
