#include "SettingsCommand.h"

#include <QApplication>
#include <QFile>
#include <QSaveFile>

#include "CConfigDlg.h"
#include "DataFile.h"
#include "KeyVerifier.h"
#include "MessageBoxes.h"
#include "SecureWipe.h"
#include "Settings.h"
#include "Workspace.h"

namespace {

// The data file as it was before the settings command rewrote it, to put back when the settings
// file cannot follow.
class DataFileBackup {
public:
    explicit DataFileBackup(const QString& path) : path_(path) {
        QFile f(path);
        existed_ = f.exists();
        if (existed_ && f.open(QIODevice::ReadOnly)) {
            bytes_ = f.readAll();
            readable_ = f.error() == QFileDevice::NoError;
        }
    }

    bool restore() const {
        if (!existed_) return QFile::remove(path_);
        if (!readable_) return false;
        QSaveFile f(path_);
        return f.open(QIODevice::WriteOnly) && f.write(bytes_) == bytes_.size() && f.commit();
    }

private:
    QString path_;
    QByteArray bytes_;
    bool existed_ = false;
    bool readable_ = false;
};

}  // namespace

void SettingsCommand(Workspace& ws, const QString& startDirectory, bool& startMinimised) {
    QWidget* owner = ws.owner();
    QWidget* active = QApplication::activeWindow();
    CConfigDlg dialog(active ? active : owner);
    dialog.dataFileName = ws.doc.dataFilePath;
    dialog.startMinimised = startMinimised;
    while (true) {
        Wipe(dialog.key);
        if (CurrentPrompter().runDialog(dialog) != 1) return;
        if (!dialog.dataFileName.isEmpty()) break;
        Notice(owner, u"データファイル名を入力してください。");
    }
    const QString verifier = dialog.key.isEmpty() ? QString() : MakeKeyVerifier(dialog.key);
    Wipe(dialog.key);
    if (!CheckKeyVerifierSet(owner, verifier)) return;

    const QString path = dialog.dataFileName;
    const DataFileBackup backup(path);
    DocumentState saved = ws.doc;
    saved.keyVerifier = verifier;
    if (!SaveDataFile(saved, path, false, {}, owner)) {
        Notice(owner, u"保存できませんでした");
        return;
    }
    if (!WriteSettingsFile(startDirectory, path, verifier, dialog.startMinimised)) {
        backup.restore();
        Notice(owner, u"書き込めませんでした");
        return;
    }
    ws.doc.dataFilePath = path;
    ws.doc.keyVerifier = verifier;
    startMinimised = dialog.startMinimised;
    if (ws.setCaptionPath) ws.setCaptionPath(path);
}
