#include "app/StartDirectory.h"

#include <QDir>

const QString& StartDirectory() {
    static const QString captured = QDir::currentPath();
    return captured;
}
