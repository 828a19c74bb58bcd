#pragma once

#include <QString>

#include "model/ui/DialogParts.h"

class QLineEdit;

// The group name dialog (add and rename a group). The caller sets the fields before showing it and
// reads them afterwards; the dialog itself checks nothing. Ends with 1 ("OK") or 2 ("キャンセル",
// also Escape and the caption's close button); both copy the edit's text into name.
class CEditGroupDlg : public FieldDialog {
    Q_OBJECT
public:
    explicit CEditGroupDlg(QWidget* parent = nullptr);

    // Replaces the caption "編集" when not empty.
    QString caption;
    // The edit's initial text, and afterwards the text the user left in it.
    QString name;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    QLineEdit* nameEdit_;
};
