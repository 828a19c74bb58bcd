#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <cstdlib>

#include "app/AppIdentity.h"
#include "app/CMainFrame.h"
#include "app/FrameWiring.h"
#include "app/JapaneseQtTexts.h"
#include "app/ProgramIcons.h"
#include "app/ProgramOptions.h"
#include "app/QtPrompter.h"
#include "app/SingleInstanceGuard.h"
#include "app/StartDirectory.h"
#include "diag/LogFile.h"
#include "diag/MemoryReuse.h"
#include "diag/MessageBoxes.h"
#include "diag/ProcessHardening.h"
#include "diag/SecureWipe.h"
#include "items/Settings.h"
#include "items/VersionPreferences.h"
#include "items/clipboard/ItemClipboard.h"
#include "model/ui/KeyEditAccessibility.h"

namespace {

// The whole program, in a frame of its own below main's, so that what its work left on the stack
// lies where main's last call wipes it.
__attribute__((noinline)) int Run(int argc, char** argv) {
    // Read before QApplication, which needs a display: --help and a wrong option work without.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const ProgramOptions options = ParseProgramOptions(arguments);
    if (options.action != ProgramOptions::Action::Run) {
        const bool refused = options.action == ProgramOptions::Action::Refuse;
        QTextStream(refused ? stderr : stdout) << options.text;
        return refused ? ProgramOptions::kRefusedExitCode : 0;
    }

    QApplication app(argc, argv);
    // Before any window exists: no key character ever reaches the accessibility bus.
    InstallKeyEditAccessibility();
    // Closing the window hides it; only "終了" ends the program.
    app.setQuitOnLastWindowClosed(false);
    // The desktop entry io.github.zetrova.zetrova.desktop: the window is tied to its menu entry.
    app.setDesktopFileName(QStringLiteral("io.github.zetrova.zetrova"));
    InitProgramResources();
    // The program speaks Japanese: Qt's own texts (file dialogs, buttons, edit menus) too.
    InstallJapaneseQtTexts(app);
    app.setWindowIcon(ProgramIcon());
    LogFile::Instance();

    QtPrompter prompter;
    ScopedPrompter installed(prompter);

    // One instance per user, whichever folder it was started for.
    SingleInstanceGuard guard(QString::fromUtf16(kApplicationTitle));
    if (!guard.acquire()) {
        Notice(nullptr, u"起動済みです");
        return 0;
    }
    // The start directory is the chosen folder: settings, data file and help are looked for there.
    if (options.folder != ProgramOptions::Folder::Current) {
        const QString folder = ChosenFolder(
            options, QDir::currentPath(), qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
        if (!EnterFolder(folder)) {
            QTextStream(stderr) << "zetrova: cannot make or enter the folder " << folder << "\n";
            Notice(nullptr, u"フォルダ%sを使用できません", folder);
            return 1;
        }
    }
    // How many earlier versions every save keeps, from this machine's preferences.
    UseVersionPreferences();
    // Read once: the settings just found readable are the ones the window starts with.
    HeldSettings settings;
    if (!StartupSettingsReadable(StartDirectory(), &settings)) return 1;
    CMainFrame::Services services;
    services.clearSecretClipboard = [&prompter] { prompter.clipboard().clearSecret(); };
    services.readSettings = [&settings](const FrameParts& parts) {
        ApplyStartupSettings(parts, settings);
    };

    CMainFrame frame(std::move(services));
    // The status line says what a copy did; a screen reader hears its change. While locked it
    // stays quiet: the lock has cleared the clipboard, and whatever happens to it then is not ours.
    const auto status = [&frame](const QString& text) {
        if (!frame.locked()) frame.showStatus(text);
    };
    QObject::connect(&prompter.clipboard(), &ItemClipboard::plainCopied, &frame,
                     [status] { status(QStringLiteral("Value copied to the clipboard")); });
    QObject::connect(&prompter.clipboard(), &ItemClipboard::secretCopied, &frame, [status] {
        status(QStringLiteral("Secret value copied: the clipboard is cleared in %1 seconds")
                   .arg(kSecretClipboardTime.count()));
    });
    QObject::connect(&prompter.clipboard(), &ItemClipboard::secretCleared, &frame,
                     [status] { status(QStringLiteral("Clipboard cleared")); });
    // The promise of a clearing is withdrawn once something else has been copied.
    QObject::connect(&prompter.clipboard(), &ItemClipboard::secretReplaced, &frame, [status] {
        status(QStringLiteral(
            "Something else was copied: the secret value is no longer on the clipboard"));
    });
    frame.showAtStart();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    return RunHardened(argc, argv, Run);
}
