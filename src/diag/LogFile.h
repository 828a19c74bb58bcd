#pragma once

#include <QString>
#include <cstdio>

#include "diag/FormatText.h"

// The diagnostic log beside the executable: UTF-16LE with a byte-order mark before the first line,
// emptied at every start, one flushed line per reported failure:
// "[yyyy/mm/dd hh:mm:ss.mmm] source.cpp:123 message\n".
class LogFile {
public:
    // Opens (creates or empties) the file at path. When that fails (an installed program's folder
    // is not writable), or path is empty (the executable's path is not known), and a fallback
    // folder is given, the file of the same name (of the program's name, for an empty path) in
    // that folder is opened instead, private to the user: the folder (and any missing parent) is
    // made with mode 0700, an existing one of the user's is made 0700 again (another user's is not
    // used), the file gets mode 0600. A failed open leaves the log silent.
    explicit LogFile(const QString& path, const QString& fallbackFolder = QString());
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // The process-wide log, opened before main() runs at the executable's log path.
    static LogFile& Instance();
    // Sets the source location of the next line on the process-wide log and returns it.
    static LogFile& SetLocation(const char* sourcePath, int line);

    // Sets the source location of the next line on this log.
    LogFile& setLocation(const char* sourcePath, int line);

    template <class... Args>
    void WriteLine(QStringView format, const Args&... args) {
        writeMessage(FormatText(format, {FormatArg(args)...}));
    }

    bool good() const { return file_ != nullptr; }
    const QString& path() const { return path_; }

private:
    void writeMessage(const QString& message);
    void fail();

    QString path_;
    std::FILE* file_ = nullptr;
    QString sourceFile_;
    int sourceLine_ = 0;
};

// The log path for an executable path: every ".exe" becomes ".log"; a path without ".exe" (the
// usual case on Linux) gets ".log" appended so that the program still has a log beside it. Empty
// for an empty path: without the executable's path there is no log beside it (and a log ".log" in
// the current folder would be emptied at every start).
QString LogPathForExecutable(const QString& executablePath);

// The folder of the log when the executable's own folder cannot take it: "zetrova" in the user's
// state folder, $XDG_STATE_HOME when that is an absolute path, else $HOME/.local/state. Empty when
// neither is known.
QString LogFallbackFolder(const QString& xdgStateHome, const QString& home);

// The running executable's path (from /proc/self/exe), usable before main(); empty where /proc is
// missing (a sandbox, a chroot).
QString RunningExecutablePath();
