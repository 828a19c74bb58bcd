#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "model/ui/DialogParts.h"

class QPushButton;
class QTimer;
class QTreeWidget;

// The dialog "以前の版": the versions, newest first, with their time and a summary, and below them
// what differs in the chosen one. It decides nothing: it is given the times, a way to get each
// summary (asked one at a time once it is shown, so that it opens at once) and each version's
// differences, and says which version and which differences were chosen and how it ended.
class CVersionsDlg : public FieldDialog {
    Q_OBJECT
public:
    // One difference as the dialog shows it.
    struct DifferenceRow {
        QString kind;  // 追加, 削除, 変更
        QString path;
    };
    enum class Action { Close, WholeVersion, ChosenParts };

    explicit CVersionsDlg(QWidget* parent = nullptr);

    // Given before showing.
    QStringList times;
    std::function<QString(int version)> summaryOf;
    // Whether a version opens under the key, and its differences.
    std::function<bool(int version)> opensOf;
    std::function<QList<DifferenceRow>(int version)> differencesOf;

    // Read afterwards.
    Action action = Action::Close;
    int chosenVersion = -1;
    QList<int> chosenDifferences;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    void showVersion();
    void updateButtons();
    void fillNextSummary();

    QTreeWidget* versions_;
    QTreeWidget* differences_;
    QPushButton* whole_;
    QPushButton* chosen_;
    QTimer* summaries_;
    int nextSummary_ = 0;
};
