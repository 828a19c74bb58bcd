#pragma once

#include <QIcon>

// Makes the program's drawn icons available under ":/zetrova/icons/". Safe to call repeatedly.
void InitProgramResources();

// The program's icon: window, About box and notification icon.
QIcon ProgramIcon();
