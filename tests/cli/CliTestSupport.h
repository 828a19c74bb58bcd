#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <optional>

#include "CliCommands.h"

// Runs zetrova-cli in this process with the given key (nothing = no key on input).
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

inline CliRun RunCliWith(const QStringList& args, std::optional<QString> key = std::nullopt) {
    CliRun run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    int keyReads = 0;
    CliIo io{out, err, [&]() -> std::optional<QString> {
                 ++keyReads;
                 return key;
             }};
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
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
