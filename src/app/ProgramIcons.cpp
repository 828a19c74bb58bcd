#include "app/ProgramIcons.h"

// Outside any namespace, as Qt's resource initialisation requires.
static void InitZetrovaQrc() {
    Q_INIT_RESOURCE(zetrova);
}

void InitProgramResources() {
    static const bool done = (InitZetrovaQrc(), true);
    (void)done;
}

QIcon ProgramIcon() {
    InitProgramResources();
    return QIcon(QStringLiteral(":/zetrova/icons/zetrova.svg"));
}
