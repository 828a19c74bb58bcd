#pragma once

#include "diag/Prompter.h"

// The file dialog for data files: "DATファイル (*.dat)" and "すべてのファイル (*.*)", extension
// "dat", starting at `initialName`.
FileDialogRequest DataFileDialogRequest(const QString& initialName);
