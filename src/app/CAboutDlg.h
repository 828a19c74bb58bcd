#pragma once

#include <QDialog>

// The About box: the program's icon, its name and version, and a line about its makers. Ends with 1
// for "OK", 2 for Escape or the caption's close button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The centred text, three lines.
    static QString aboutText();

public slots:
    void reject() override { done(2); }
};
