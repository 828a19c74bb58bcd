#pragma once

class QFileDialog;

// Qt's own file dialog made to fit Japanese texts: a size with room for the name column, the
// size, type and date columns wide enough for what they show, sizes and dates written the
// Japanese way (Qt writes them in the process's locale, English under C.UTF-8), and a sidebar
// wide enough for its entries. Call right after making the dialog: it sets the dialog's proxy
// model. A dialog drawn by the desktop (no tree view of Qt's) is left alone.
void FitFileDialogToJapanese(QFileDialog& dialog);
