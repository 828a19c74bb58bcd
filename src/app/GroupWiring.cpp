#include "CMainFrame.h"
#include "DocumentWiring.h"
#include "Workspace.h"

void InstallGroupCommands(CMainFrame&, Workspace&) {}
