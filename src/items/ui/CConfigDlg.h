#pragma once

#include <QString>

#include "model/ui/DialogParts.h"

class QCheckBox;
class QLineEdit;

// The settings dialog ("設定"): data file name, key and the start option. Its caption has no close
// button and its default button is "キャンセル", so Enter cancels; "更新" must be clicked.
// "更新" copies the controls into the fields, refuses a key with a character outside U+0021 to
// U+007E (the dialog stays open), and ends with 1. "キャンセル" (also Escape) ends with 2 without
// reading the controls. The key edit always starts empty.
class CConfigDlg : public FieldDialog {
    Q_OBJECT
public:
    explicit CConfigDlg(QWidget* parent = nullptr);
    // Wipes the key field and the key edit.
    ~CConfigDlg() override;

    QString dataFileName = QStringLiteral("Zetrova.dat");
    QString key;
    bool startMinimised = false;

protected:
    void loadFields() override;
    // "更新" (1): copies the controls into the fields, or keeps the dialog open for a refused key.
    // "キャンセル" (2): reads nothing.
    bool storeFields(int id) override;

private:
    void browse();
    void setKeyHidden(bool hidden);

    QLineEdit* nameEdit_;
    QLineEdit* keyEdit_;
    QCheckBox* startMinimisedBox_;
    QCheckBox* hideKeyBox_;
};
