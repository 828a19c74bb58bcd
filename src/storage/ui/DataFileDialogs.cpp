#include "storage/ui/DataFileDialogs.h"

FileDialogRequest DataFileDialogRequest(const QString& initialName) {
    FileDialogRequest request;
    request.filters = {{QStringLiteral("DATファイル (*.dat)"), QStringLiteral("*.dat")},
                       {QStringLiteral("すべてのファイル (*.*)"), QStringLiteral("*.*")}};
    request.defaultExtension = QStringLiteral("dat");
    request.initialName = initialName;
    return request;
}
