#pragma once

#include <QString>

#include "model/ui/DialogParts.h"

// The About box: the program's icon, its name and version, and a line about its makers. Ends with 1
// for "OK", 2 for Escape or the caption's close button.
class CAboutDlg : public FieldDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The centred text, three lines.
    static QString aboutText();
};
