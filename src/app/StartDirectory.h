#pragma once

#include <QString>

// The process's working directory, captured at the first call and never updated: the base of the
// settings file, the default data file and the help file. It is not the executable's folder.
const QString& StartDirectory();
