#pragma once

#include <QString>

#include "items/PasswordGenerator.h"
#include "model/ui/DialogParts.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

// The item dialog ("編集"): name, value (shown in plain text, secret or not), the kind, and a
// password generator. The fields are the dialog's only state: each showing starts from them, and
// "OK" and "キャンセル" (also Escape and the caption's close button) both write the controls back
// into them before the dialog ends with 1 or 2. Nothing is checked here.
class CEditDialog : public FieldDialog {
    Q_OBJECT
public:
    explicit CEditDialog(QString name = {}, QString value = {}, bool secret = false,
                         QWidget* parent = nullptr);

    QString name;
    QString value;
    bool secret = false;

    // Where "生成" draws from: the kernel's random source unless a test puts another here.
    PasswordDraw passwordDraw = SystemDraw;

protected:
    void loadFields() override;
    bool storeFields(int id) override;

private:
    // "生成": the value edit gets a fresh password of the selected recipe; when the random source
    // fails, a notice says so and the value stays as it is.
    void generate();

    QLineEdit* nameEdit_;
    QLineEdit* valueEdit_;
    QRadioButton* plainRadio_;
    QRadioButton* secretRadio_;
    QComboBox* recipeList_;
};
