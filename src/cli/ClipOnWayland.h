#pragma once

#include <QString>
#include <chrono>

#include "cli/CliIo.h"

class WaylandClipboard;

// The value on a Wayland clipboard for clip, then cleared as on X11: after the time, or at once
// on a stop signal, unless something else was copied meanwhile. The value is wiped once offered.
// Returns the exit status.
int ServeClipOnWayland(WaylandClipboard& clipboard, CliIo& io, QString& value,
                       std::chrono::seconds timeout);

// Why clip cannot use this Wayland session's clipboard, or empty when it can.
QString WaylandClipboardProblem(const WaylandClipboard& clipboard);
