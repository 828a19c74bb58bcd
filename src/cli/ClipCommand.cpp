// clip: one item's value on the clipboard for a while, offered as a secret.
#include <QCommandLineParser>
#include <QEventLoop>
#include <QTimer>
#include <memory>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliLookup.h"
#include "cli/StopSignals.h"
#include "cli/WaylandClipboard.h"
#include "diag/SecureWipe.h"
#include "items/clipboard/DisplayProbe.h"
#include "items/clipboard/ItemClipboard.h"
#include "items/clipboard/QtClipboardTransport.h"

namespace {

const QString kTimeoutOption = QStringLiteral("timeout");
constexpr int kLongestTimeout = 24 * 60 * 60;

const QString kNoDisplay = QStringLiteral(
    "no display: clip needs an X11 or Wayland session (DISPLAY or WAYLAND_DISPLAY naming one that "
    "can be reached)");

// The clipboard clip can set, or why there is none: the Wayland compositor's own where there is
// no X11, else the one Qt connected to.
std::unique_ptr<ClipboardTransport> ClipTransport(CliIo& io) {
    if (!IsWaylandWithoutX11()) {
        if (HasSharedClipboard()) return std::make_unique<QtClipboardTransport>();
        CliError(io, kNoDisplay);
        return nullptr;
    }
    auto wayland = std::make_unique<WaylandClipboard>();
    switch (wayland->session()) {
        case WaylandClipboard::Session::Ready:
            return wayland;
        case WaylandClipboard::Session::NoDisplay:
            CliError(io, kNoDisplay);
            return nullptr;
        case WaylandClipboard::Session::NoDataControl:
            break;
    }
    CliError(io, QStringLiteral("this Wayland compositor lets only a focused window set the "
                                "clipboard (it has no data-control protocol): run clip where "
                                "DISPLAY names an X server (XWayland), or copy from the desktop "
                                "program"));
    return nullptr;
}

void ClipOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH/ITEM"),
                                 QStringLiteral("Group path followed by /ITEM."));
    parser.addOption({kTimeoutOption,
                      QStringLiteral("Seconds the value stays on the clipboard (default %1, at "
                                     "most %2).")
                          .arg(kSecretClipboardTime.count())
                          .arg(kLongestTimeout),
                      QStringLiteral("SECONDS")});
    AddDataFileOptions(parser);
}

int RunClip(const QCommandLineParser& parser, CliIo& io) {
    int seconds = static_cast<int>(kSecretClipboardTime.count());
    if (parser.isSet(kTimeoutOption)) {
        bool ok = false;
        seconds = parser.value(kTimeoutOption).toInt(&ok);
        if (!ok || seconds < 1 || seconds > kLongestTimeout) {
            CliError(io, QStringLiteral("--timeout needs a whole number of seconds from 1 to %1")
                             .arg(kLongestTimeout));
            return kExitUsage;
        }
    }
    const std::optional<CliItemPath> path = ItemPathArgument(parser, io, "clip");
    if (!path) return kExitUsage;
    // Before the key is asked for: without a clipboard to put it on there is nothing to do.
    std::unique_ptr<ClipboardTransport> transport = ClipTransport(io);
    if (!transport) return kExitFailed;
    // Only the value stays in memory while the clipboard is served, not the whole document.
    QString value;
    {
        DocumentState state;
        const std::optional<CliItem> found = LoadItem(ResolveDataFiles(parser), io, *path, state);
        if (!found) return kExitFailed;
        value = found->item.text();
    }

    const std::chrono::seconds timeout(seconds);
    ItemClipboard clipboard(std::move(transport), timeout);
    StopSignals stop;
    clipboard.copy(value, true);
    Wipe(value);
    if (!clipboard.holdsSecret()) {
        CliError(io, QStringLiteral("the clipboard could not be set"));
        return kExitFailed;
    }
    CliError(io, QStringLiteral("the value is on the clipboard; it is cleared in %1 s, or at "
                                "once on Ctrl+C")
                     .arg(seconds));

    // The clipboard is served from the event loop until it has been cleared, the value has been
    // replaced by another copy (and is not cleared), the time is up or a stop signal comes.
    QEventLoop loop;
    bool cleared = false;
    QObject::connect(&clipboard, &ItemClipboard::secretCleared, &loop, [&] {
        cleared = true;
        loop.quit();
    });
    QObject::connect(&clipboard, &ItemClipboard::secretReplaced, &loop, &QEventLoop::quit);
    QObject::connect(&stop, &StopSignals::stopRequested, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    loop.exec();
    if (!cleared) cleared = clipboard.clearSecret();
    CliError(io, cleared ? QStringLiteral("clipboard cleared")
                         : QStringLiteral("clipboard left as it is: something else was copied"));
    return kExitOk;
}

}  // namespace

CliCommand ClipCommand() {
    return {"clip", "clip PATH/ITEM [--timeout SECONDS] [--ini PATH] [--data PATH]",
            "Put the value of one item on the clipboard as a secret (after the key); clear it "
            "after SECONDS (30) or on Ctrl+C unless something else was copied meanwhile.",
            ClipOptions, RunClip};
}
