#include "cli/ClipOnWayland.h"

#include <QEventLoop>
#include <QTimer>

#include "cli/CliCommandList.h"
#include "cli/StopSignals.h"
#include "cli/WaylandClipboard.h"
#include "diag/SecureWipe.h"

QString WaylandClipboardProblem(const WaylandClipboard& clipboard) {
    switch (clipboard.session()) {
        case WaylandClipboard::Session::Ready:
            return QString();
        case WaylandClipboard::Session::NoDisplay:
            return QStringLiteral(
                "no display: clip needs an X11 or Wayland session (DISPLAY or "
                "WAYLAND_DISPLAY naming one that can be reached)");
        case WaylandClipboard::Session::NoDataControl:
            break;
    }
    return QStringLiteral(
        "this Wayland compositor lets only a focused window set the clipboard "
        "(it has no data-control protocol): run clip where DISPLAY names an X "
        "server (XWayland), or copy from the desktop program");
}

int ServeClipOnWayland(WaylandClipboard& clipboard, CliIo& io, QString& value,
                       std::chrono::seconds timeout) {
    StopSignals stop;
    const bool copied = clipboard.copySecret(value);
    Wipe(value);
    if (!copied) {
        CliError(io, QStringLiteral("the clipboard could not be set"));
        return kExitFailed;
    }
    CliError(io, QStringLiteral("the value is on the clipboard; it is cleared in %1 s, or at "
                                "once on Ctrl+C")
                     .arg(timeout.count()));
    QEventLoop loop;
    QObject::connect(&clipboard, &WaylandClipboard::lost, &loop, &QEventLoop::quit);
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    const bool cleared = clipboard.clear();
    CliError(io, cleared ? QStringLiteral("clipboard cleared")
                         : QStringLiteral("clipboard left as it is: something else was copied"));
    return kExitOk;
}
