#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "model/DocumentMerge.h"
#include "storage/DataFileVersions.h"

class Workspace;

// "以前の版(&V)...": the versions of the data file kept on this machine, each with a summary
// against the document as it is now, what differs in one of them, and taking back the whole
// version or the chosen groups and items. The decisions are here; the dialog (CVersionsDlg) only
// shows what it is given and says what was chosen.

// The versions of one data file as the dialog lists them, newest first. A version is opened (under
// the held verifier) only when its summary or its differences are first asked for.
class VersionBrowser {
public:
    VersionBrowser(const QString& dataPath, const XmlDocument& current, const QString& verifier,
                   const VersionPolicy& policy);

    int count() const { return static_cast<int>(rows_.size()); }
    // The time the version was replaced, local time, "2026-12-10 11:35:00".
    QString timeText(int row) const;
    // "追加 %d・削除 %d・変更 %d" (groups and items), "別のキーで保存された版" or "読み込めない版".
    QString summary(int row);
    bool opens(int row);
    // What differs between the version and the document now, in document order.
    const std::vector<DocumentDifference>& differences(int row);
    // The version's document, or a null one when it does not open.
    XmlDocument document(int row) const;

    // The words of the dialog for a difference: "追加", "削除" or "変更", and its path ("/銀行/
    // ネット/" for a group, "/銀行/口座" for an item).
    static QString KindText(DocumentDifference::Change change);
    static QString PathText(const DocumentDifference& difference);

private:
    struct Row {
        KeptVersion kept;
        std::optional<VersionState> state;
        std::optional<std::vector<DocumentDifference>> differences;
    };
    void open(int row);

    XmlDocument current_;
    QString verifier_;
    std::vector<Row> rows_;
};

// The command: the key as 保存 asks for it, then the dialog. "この版に戻す" makes the chosen
// version the document, "選んだものを戻す" takes back only the chosen groups and items
// (RestoreFromVersion); either way the document is marked modified and not saved, so that the
// usual save, with its merge, follows.
void VersionsCommand(Workspace& ws);
