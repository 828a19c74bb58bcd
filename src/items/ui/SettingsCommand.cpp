#include "items/ui/SettingsCommand.h"

#include <QApplication>
#include <QFileInfo>

#include "diag/MessageBoxes.h"
#include "diag/SecureWipe.h"
#include "items/Settings.h"
#include "items/ui/CConfigDlg.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "storage/SafeFileWrite.h"
#include "storage/ui/DiskChangeMerge.h"

void SettingsCommand(Workspace& ws, const QString& startDirectory, bool& startMinimised,
                     const SettingsFileWriter& writeSettingsFile) {
    QWidget* owner = ws.owner();
    QWidget* active = QApplication::activeWindow();
    CConfigDlg dialog(active ? active : owner);
    dialog.dataFileName = ws.doc().dataFilePath;
    dialog.startMinimised = startMinimised;
    while (true) {
        Wipe(dialog.key);
        if (CurrentPrompter().runDialog(dialog) != kDialogOk) return;
        if (!dialog.dataFileName.isEmpty()) break;
        Notice(owner, u"データファイル名を入力してください。");
    }
    const QString verifier = dialog.key.isEmpty() ? QString() : MakeKeyVerifier(dialog.key);
    Wipe(dialog.key);
    if (!CheckKeyVerifierSet(owner, verifier)) return;

    const QString path = dialog.dataFileName;
    // The file there is looked at under the key it was written with, the held one (or the key
    // typed for it when it was changed elsewhere); a merge made here is written under the new key.
    // The settings file is written right after the data file, under the same writers' lock, so
    // that no other writer comes between the two files.
    DocumentState saved;
    bool replaced = false;
    bool settingsWritten = false;
    SafeWriteResult settingsWrite;
    const CheckedWrite written =
        WriteAfterDiskCheck(ws, path, [&](const std::function<bool()>& mayReplace, bool) {
            saved = ws.doc();  // with what a merge on the way brought in
            saved.keyVerifier = verifier;
            saved.dataFilePath = path;
            return SaveDataFile(saved, path, false, {}, owner, mayReplace, [&] {
                replaced = true;
                settingsWritten = writeSettingsFile(startDirectory, path, verifier,
                                                    dialog.startMinimised, &settingsWrite);
            });
        });
    if (written == CheckedWrite::Failed) Notice(owner, u"保存できませんでした");
    if (!replaced) return;
    // The data file is now under the new key at the named path (also when the disk did not
    // confirm it): so is what the program holds, whether the settings file follows or not.
    ws.doc().dataFilePath = path;
    ws.doc().keyVerifier = verifier;
    ws.doc().dataFileStamp = saved.dataFileStamp;
    startMinimised = dialog.startMinimised;
    ws.SetDataFilePath(path);
    if (!settingsWritten)
        NoticeWriteProblem(owner, SettingsFilePath(startDirectory), settingsWrite);
}
