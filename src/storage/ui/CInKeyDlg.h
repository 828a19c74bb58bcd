#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// The key dialog ("認証"): one masked edit for the encryption key. The edit starts with the key
// field (empty when the dialog is made); "OK" and "キャンセル" (also Escape and the caption's close
// button) both store the edit's text in the key field and end the dialog with 1 or 2. The key
// field and the edit are wiped when the dialog is destroyed.
class CInKeyDlg : public QDialog {
    Q_OBJECT
public:
    // The longest key the edit accepts.
    static constexpr int kMaxKeyLength = 259;

    explicit CInKeyDlg(QWidget* parent = nullptr);
    ~CInKeyDlg() override;

    QString key;

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void finish(int id);

    QLineEdit* keyEdit_;
};
