#include "storage/ui/VersionsCommand.h"

#include <QApplication>

#include "diag/FormatText.h"
#include "diag/Prompter.h"
#include "diag/SecureWipe.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/RegularFileRead.h"
#include "storage/ui/CVersionsDlg.h"

namespace {

const std::vector<DocumentDifference> kNoDifferences;

}  // namespace

VersionBrowser::VersionBrowser(const QString& dataPath, const XmlDocument& current,
                               const QString& verifier, const VersionPolicy& policy)
    : current_(current), verifier_(verifier) {
    for (KeptVersion& kept : ListVersions(dataPath, policy))
        rows_.push_back({std::move(kept), {}, {}});
}

QString VersionBrowser::timeText(int row) const {
    return rows_[std::size_t(row)].kept.time.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss");
}

XmlDocument VersionBrowser::document(int row) const {
    const FileReadResult read =
        ReadRegularFile(rows_[std::size_t(row)].kept.path, kDataFileSizeLimit);
    return read.ok() ? DecodeDataFile(read.bytes, verifier_) : XmlDocument();
}

void VersionBrowser::open(int row) {
    Row& r = rows_[std::size_t(row)];
    if (r.state) return;
    const FileReadResult read = ReadRegularFile(r.kept.path, kDataFileSizeLimit);
    if (!read.ok() || read.bytes.isEmpty()) {
        r.state = VersionState::Unreadable;
        return;
    }
    const XmlDocument then = DecodeDataFile(read.bytes, verifier_);
    r.state = then.isNull() ? VersionState::OtherKey : VersionState::Opens;
    if (!then.isNull()) r.differences = CompareDocuments(then, current_);
}

bool VersionBrowser::opens(int row) {
    open(row);
    return rows_[std::size_t(row)].state == VersionState::Opens;
}

QString VersionBrowser::summary(int row) {
    open(row);
    const Row& r = rows_[std::size_t(row)];
    switch (*r.state) {
        case VersionState::Unreadable:
            return QStringLiteral("読み込めない版");
        case VersionState::OtherKey:
            return QStringLiteral("別のキーで保存された版");
        case VersionState::Opens:
            break;
    }
    const DifferenceCounts counts = CountDifferences(*r.differences);
    return FormatText(u"追加 %d・削除 %d・変更 %d", {counts.added, counts.removed, counts.changed});
}

const std::vector<DocumentDifference>& VersionBrowser::differences(int row) {
    open(row);
    const Row& r = rows_[std::size_t(row)];
    return r.differences ? *r.differences : kNoDifferences;
}

QString VersionBrowser::KindText(DocumentDifference::Change change) {
    switch (change) {
        case DocumentDifference::Change::Added:
            return QStringLiteral("追加");
        case DocumentDifference::Change::Removed:
            return QStringLiteral("削除");
        case DocumentDifference::Change::Changed:
            break;
    }
    return QStringLiteral("変更");
}

QString VersionBrowser::PathText(const DocumentDifference& difference) {
    QStringList names = difference.groupNames();
    names.append(difference.name());
    return u'/' + names.join(u'/') + (difference.group ? QStringLiteral("/") : QString());
}

void VersionsCommand(Workspace& ws) {
    if (!ws.doc().hasDocument()) return;
    QString verifier;
    if (!ws.AskKey(verifier)) return;
    const WipeOwnCopyOnExit wipe(verifier);
    VersionBrowser browser(ws.doc().dataFilePath, ws.doc().document, verifier,
                           CurrentVersionPolicy());

    QWidget* active = QApplication::activeWindow();
    CVersionsDlg dialog(active ? active : ws.owner());
    for (int i = 0; i < browser.count(); ++i) dialog.times.append(browser.timeText(i));
    dialog.summaryOf = [&](int row) { return browser.summary(row); };
    dialog.opensOf = [&](int row) { return browser.opens(row); };
    dialog.differencesOf = [&](int row) {
        QList<CVersionsDlg::DifferenceRow> rows;
        for (const DocumentDifference& d : browser.differences(row))
            rows.append({VersionBrowser::KindText(d.change), VersionBrowser::PathText(d)});
        return rows;
    };
    if (CurrentPrompter().runDialog(dialog) != kDialogOk) return;
    const int row = dialog.chosenVersion;
    if (row < 0 || row >= browser.count() || !browser.opens(row)) return;
    const XmlDocument then = browser.document(row);
    if (then.isNull()) return;

    XmlDocument restored;
    if (dialog.action == CVersionsDlg::Action::WholeVersion) {
        restored = then;
    } else if (dialog.action == CVersionsDlg::Action::ChosenParts) {
        const std::vector<DocumentDifference>& differences = browser.differences(row);
        std::vector<std::vector<VersionStep>> chosen;
        for (const int i : dialog.chosenDifferences)
            if (i >= 0 && std::size_t(i) < differences.size())
                chosen.push_back(differences[std::size_t(i)].steps);
        if (chosen.empty()) return;
        restored = RestoreFromVersion(ws.doc().document, then, chosen);
    } else {
        return;
    }
    // Modified and not saved: the usual save, with its check of the file on disk, follows.
    DocumentState next = ws.doc();
    next.document = restored;
    next.root = restored.documentElement();
    next.modified = true;
    ws.ReplaceDocument(next, Workspace::CurrentGroup::Kept);
    ws.ShowStatus(FormatText(dialog.action == CVersionsDlg::Action::WholeVersion
                                 ? u"%sの版に戻しました。保存するまでデータファイルは変わりません"
                                 : u"%sの版から選んだものを戻しました。保存するまでデータファイル"
                                   u"は変わりません",
                             {browser.timeText(row)}));
}
