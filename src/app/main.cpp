#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "AppIdentity.h"
#include "CMainFrame.h"
#include "LogFile.h"
#include "MessageBoxes.h"
#include "ProcessHardening.h"
#include "ProgramIcons.h"
#include "QtPrompter.h"
#include "SingleInstanceGuard.h"
#include "StartDirectory.h"

int main(int argc, char** argv) {
    HardenProcess();
    QApplication app(argc, argv);
    // Closing the window hides it; only "終了" ends the program.
    app.setQuitOnLastWindowClosed(false);
    app.setDesktopFileName(QStringLiteral("zetrova"));
    InitProgramResources();
    // The program speaks Japanese: Qt's own texts (file dialogs, buttons, edit menus) too.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTexts);
    app.setWindowIcon(ProgramIcon());
    LogFile::Instance();

    QtPrompter prompter;
    ScopedPrompter installed(prompter);

    SingleInstanceGuard guard(QString::fromUtf16(kApplicationTitle));
    if (!guard.acquire()) {
        Notice(nullptr, u"起動済みです");
        return 0;
    }
    StartDirectory();

    CMainFrame frame;
    QObject::connect(&prompter.clipboard(), &ItemClipboard::secretCopied, &frame, [&frame] {
        frame.showStatus(
            QStringLiteral("Secret value copied: the clipboard is cleared in 30 seconds"));
    });
    QObject::connect(&prompter.clipboard(), &ItemClipboard::secretCleared, &frame,
                     [&frame] { frame.showStatus(QStringLiteral("Clipboard cleared")); });
    frame.showAtStart();
    return app.exec();
}
