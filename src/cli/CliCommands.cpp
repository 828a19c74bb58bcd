#include "CliCommands.h"

#include <QCommandLineParser>
#include <vector>

#include "CliCommandList.h"
#include "CliEscape.h"

namespace {

void PrintUsage(QTextStream& s) {
    s << "usage: zetrova-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const CliCommand& c : CliCommandList()) s << "  " << c.synopsis << "\n      " << c.summary << "\n";
    s << "\nRun 'zetrova-cli COMMAND --help' for a command's options. Keys are never taken from the\n"
         "command line: on a terminal they are asked for without echo, otherwise the first line of\n"
         "standard input is the key.\n";
    s.flush();
}

}  // namespace

int RunCli(const QStringList& args, CliIo& io) {
    if (args.isEmpty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    const QString name = args.front();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        PrintUsage(io.out);
        return kExitOk;
    }
    for (const CliCommand& c : CliCommandList()) {
        if (name != QLatin1String(c.name)) continue;
        QCommandLineParser parser;
        parser.setApplicationDescription(QString::fromUtf8(c.summary));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("Show this help."));
        parser.addOption(help);
        c.configure(parser);
        // QCommandLineParser expects the program name first.
        QStringList argv = args;
        argv.front() = QStringLiteral("zetrova-cli ") + name;
        if (!parser.parse(argv)) {
            io.err << "zetrova-cli " << name << ": " << EscapeLine(parser.errorText()) << "\n";
            io.err.flush();
            return kExitUsage;
        }
        if (parser.isSet(help)) {
            io.out << "usage: zetrova-cli " << QString::fromUtf8(c.synopsis) << "\n\n"
                   << parser.helpText().section(u'\n', 1);
            io.out.flush();
            return kExitOk;
        }
        const int status = c.run(parser, io);
        io.out.flush();
        io.err.flush();
        return status;
    }
    io.err << "zetrova-cli: unknown command '" << EscapeLine(name) << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}
