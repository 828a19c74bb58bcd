#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>
#include <vector>

#include "cli/CliCommands.h"

// Runs zetrova-cli in this process with the given key (nothing = no key on input).
// afterRead, if set, runs once a changing command has read the data file (CliIo::afterRead), to
// change things behind the command's back.
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

inline CliRun RunCliWith(const QStringList& args, std::optional<QString> key = std::nullopt,
                         const std::function<void()>& afterRead = {}) {
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CliIo io{out, err, [&]() -> CliLine {
                 return key ? CliLine{CliLine::Status::Read, *key} : CliLine{};
             }};
    io.afterRead = afterRead;
    run.status = RunCli(args, io);
    out.flush();
    err.flush();
    return run;
}

// Runs the real zetrova-cli binary with the given standard input.
inline CliRun RunCliProcess(
    const QStringList& args, const QByteArray& input, const QString& workDir = QString(),
    const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(ZETROVA_CLI_PATH), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The output of the real zetrova-cli as the bytes it wrote.
struct CliRawRun {
    int status = -1;  // the exit status; -1 when it did not exit normally
    QByteArray out;
    QByteArray err;
};

// Where the real zetrova-cli's standard output goes: a pipe the test reads, a full disk, or nowhere
// (closed, as with ">&-").
enum class CliStdout { Pipe, Full, Closed };

// Runs the real zetrova-cli binary with arguments given as bytes, as a shell hands them over (a
// QProcess would encode them as UTF-8 first), and the given standard input.
inline CliRawRun RunCliBytes(const QByteArrayList& args, const QByteArray& input,
                             CliStdout stdoutTo = CliStdout::Pipe) {
    QByteArrayList argvBytes{QByteArray(ZETROVA_CLI_PATH)};
    argvBytes += args;
    std::vector<char*> argv;
    for (QByteArray& a : argvBytes) argv.push_back(a.data());
    argv.push_back(nullptr);
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (stdoutTo == CliStdout::Pipe) posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    if (stdoutTo == CliStdout::Full)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
    if (stdoutTo == CliStdout::Closed) posix_spawn_file_actions_addclose(&actions, 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]}) close(fd);
    CliRawRun run;
    if (spawned == 0) {
        // The input is one short line; the pipe takes it whole.
        [[maybe_unused]] const ssize_t written = write(in[1], input.constData(), input.size());
    }
    close(in[1]);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    QByteArray* sinks[2] = {&run.out, &run.err};
    for (int open = spawned == 0 ? 2 : 0; open > 0 && poll(fds, 2, 60000) > 0;) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !fds[i].revents) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, got);
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& f : fds)
        if (f.fd >= 0) close(f.fd);
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    return run;
}

// Runs zetrova-cli in this process with lines of input: the first line is the key, the next ones
// what the command reads after it. afterRead as for RunCliWith.
inline CliRun RunCliWithLines(const QStringList& args, QStringList lines,
                              const std::function<void()>& afterRead = {}) {
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CliIo io{out, err,
             [&]() -> CliLine {
                 if (lines.isEmpty()) return {};
                 return {CliLine::Status::Read, lines.takeFirst()};
             },
             [&](const QString&, bool) {
                 if (lines.isEmpty()) return CliLine{};
                 return CliLine{CliLine::Status::Read, lines.takeFirst()};
             }};
    io.afterRead = afterRead;
    run.status = RunCli(args, io);
    out.flush();
    err.flush();
    return run;
}
