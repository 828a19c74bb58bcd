#pragma once

#include <QString>

#include "model/ui/DialogParts.h"

class QCheckBox;
class QLineEdit;

// The group search dialog. The caller sets the fields before showing it and reads them afterwards.
// Ends with 1 ("OK") or 2 ("キャンセル", also Escape and the caption's close button); both copy
// the edit's text and the check box's state into the fields.
class CFindGroupDlg : public FieldDialog {
    Q_OBJECT
public:
    explicit CFindGroupDlg(QWidget* parent = nullptr);

    // Replaces the caption "検索" when not empty.
    QString caption;
    // The text to search for.
    QString text;
    // "大文字・小文字を区別する" ticked.
    bool caseSensitive = false;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    QLineEdit* textEdit_;
    QCheckBox* caseBox_;
};
