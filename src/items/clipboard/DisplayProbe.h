#pragma once

// Whether a QGuiApplication can be made in this process: the platform Qt would choose (by
// QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY and the session type) connects. Qt ends the process
// when it cannot, so the attempt is made in a short-lived child process, whose messages are
// discarded; a child that has not answered within a few seconds counts as no display. Call it
// before any QCoreApplication exists, with main()'s arguments.
bool CanOpenDisplay(int argc, char** argv);

// Whether the running QGuiApplication shares its clipboard with other programs (an X11 or Wayland
// session; not an offscreen or framebuffer platform). False without a QGuiApplication.
bool HasSharedClipboard();
