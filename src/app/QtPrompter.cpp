#include "app/QtPrompter.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "app/DialogPlacement.h"
#include "app/FileDialogLook.h"
#include "app/HelpLauncher.h"

namespace {

QWidget* OwnerWidget(QObject* owner) {
    auto* widget = qobject_cast<QWidget*>(owner);
    return widget ? widget->window() : nullptr;
}

std::optional<QString> RunFileDialog(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(QApplication::activeWindow());
    FitFileDialogToJapanese(dialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    QStringList filters;
    for (const FileFilter& filter : request.filters) filters.append(QtNameFilter(filter));
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!request.defaultExtension.isEmpty()) dialog.setDefaultSuffix(request.defaultExtension);

    const QString start =
        request.startDirectory.isEmpty() ? QDir::currentPath() : request.startDirectory;
    const QFileInfo initial(request.initialName);
    if (request.initialName.isEmpty()) {
        dialog.setDirectory(start);
    } else if (initial.isDir()) {
        dialog.setDirectory(initial.absoluteFilePath());
    } else {
        const bool hasFolder = request.initialName.contains(u'/');
        dialog.setDirectory(hasFolder ? initial.absolutePath() : start);
        dialog.selectFile(initial.fileName());
    }
    CentreOnScreenWhenOwnerHidden(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.first();
}

// A message box; a question gets Yes and No buttons with defaultButton as the default.
int ShowMessageBox(QObject* owner, MessageIcon icon, const QString& caption, const QString& text,
                   QMessageBox::StandardButton defaultButton) {
    QMessageBox box(OwnerWidget(owner));
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    switch (icon) {
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(defaultButton);
            box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
            box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
            break;
    }
    CentreOnScreenWhenOwnerHidden(box);
    const int answer = box.exec();
    if (icon != MessageIcon::Question) return kAnswerOk;
    return answer == QMessageBox::Yes ? kAnswerYes : kAnswerNo;
}

}  // namespace

QString QtNameFilter(const FileFilter& filter) {
    QString pattern = filter.pattern;
    pattern.replace(QStringLiteral("*.*"), QStringLiteral("*"));
    pattern.replace(u';', u' ');
    return filter.description + QStringLiteral(" (") + pattern + u')';
}

int QtPrompter::messageBox(QObject* owner, MessageIcon icon, const QString& caption,
                           const QString& text) {
    return ShowMessageBox(owner, icon, caption, text, QMessageBox::Yes);
}

int QtPrompter::questionDefaultNo(QObject* owner, const QString& caption, const QString& text) {
    return ShowMessageBox(owner, MessageIcon::Question, caption, text, QMessageBox::No);
}

int QtPrompter::choiceBox(QObject* owner, const QString& caption, const QString& text,
                          const QStringList& buttons, int defaultButton, int cancelButton) {
    QMessageBox box(OwnerWidget(owner));
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Question);
    QList<QPushButton*> pushButtons;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        pushButtons.append(box.addButton(
            buttons[i], i == cancelButton ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    if (defaultButton >= 0 && defaultButton < pushButtons.size())
        box.setDefaultButton(pushButtons[defaultButton]);
    if (cancelButton >= 0 && cancelButton < pushButtons.size())
        box.setEscapeButton(pushButtons[cancelButton]);
    CentreOnScreenWhenOwnerHidden(box);
    box.exec();
    const qsizetype chosen = pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return chosen >= 0 ? static_cast<int>(chosen) : cancelButton;
}

int QtPrompter::runDialog(QDialog& dialog) {
    if (!dialog.parentWidget()) {
        if (QWidget* active = QApplication::activeWindow(); active && active != &dialog)
            dialog.setParent(active, dialog.windowFlags());
    }
    CentreOnScreenWhenOwnerHidden(dialog);
    return dialog.exec() == 1 ? 1 : 2;
}

std::optional<QString> QtPrompter::openFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<QString> QtPrompter::saveFileName(const FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

void QtPrompter::setClipboardText(const QString& text, bool secret) {
    clipboard_.copy(text, secret);
}

int QtPrompter::openDocument(const QString& path) {
    if (const int code = CheckDocumentReadable(path); code != 0) return code;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()))
               ? 0
               : HelpError::NoAssociation;
}
