#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;

// The group search dialog. The caller sets the fields before showing it and reads them afterwards.
// Ends with 1 ("OK") or 2 ("キャンセル", also Escape and the caption's close button); both copy
// the edit's text and the check box's state into the fields.
class CFindGroupDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindGroupDlg(QWidget* parent = nullptr);

    // Replaces the caption "検索" when not empty.
    QString caption;
    // The text to search for.
    QString text;
    // "大文字・小文字を区別する" ticked.
    bool caseSensitive = false;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void finish(int id);

    QLineEdit* textEdit_;
    QCheckBox* caseBox_;
};
