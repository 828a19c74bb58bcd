#pragma once

#include <QString>

#include "model/ui/DialogParts.h"

class QLineEdit;

// The key dialog ("認証"): one masked edit for the encryption key. The edit starts with the key
// field (empty when the dialog is made); "OK" and "キャンセル" (also Escape and the caption's close
// button) both store the edit's text in the key field and end the dialog with 1 or 2. The key
// field and the edit are wiped when the dialog is destroyed.
class CInKeyDlg : public FieldDialog {
    Q_OBJECT
public:
    // The longest key the edit accepts.
    static constexpr int kMaxKeyLength = 259;

    explicit CInKeyDlg(QWidget* parent = nullptr);
    ~CInKeyDlg() override;

    QString key;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    QLineEdit* keyEdit_;
};
