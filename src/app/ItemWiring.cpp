#include "CMainFrame.h"
#include "DocumentWiring.h"
#include "Workspace.h"

void InstallItemCommands(CMainFrame&, Workspace&) {}
