#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "CliCommands.h"
#include "ProcessHardening.h"

int main(int argc, char** argv) {
    HardenProcess();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliIo io{out, err, ReadKeyFromConsole};
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return RunCli(args, io);
}
