#include "cli/CliCommands.h"

#include <QCommandLineParser>
#include <QFileDevice>
#include <new>
#include <vector>

#include "cli/CliCommandList.h"
#include "cli/CliEscape.h"
#include "cli/CliPrompter.h"
#include "diag/FormatText.h"
#include "diag/MessageBoxes.h"
#include "diag/XmlError.h"
#include "storage/SafeFileWrite.h"

namespace {

// What a command wrote to the standard output did not all arrive; why.
constexpr char16_t kOutputNotWritten[] = u"標準出力に書き込めませんでした（%s）";

void PrintUsage(QTextStream& s) {
    s << "usage: zetrova-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const CliCommand& c : CliCommandList())
        s << "  " << c.synopsis << "\n      " << c.summary << "\n";
    s << "\nRun 'zetrova-cli COMMAND --help' for a command's options. Keys are never taken from "
         "the\n"
         "command line: on a terminal they are asked for without echo, otherwise the first line "
         "of\n"
         "standard input is the key and the next lines are what the command reads after it (a\n"
         "value, a new key twice). No command asks a question: the command is the answer.\n";
    s.flush();
}

// Runs the command with the one prompter of the tool installed: every message of the shared code
// becomes a line on the error stream, and no question waits for an answer. A failure of the XML
// engine or of memory ends the command with its report instead of ending the process; the report
// of memory says whether a file had been written by then.
int RunGuarded(const CliCommand& c, const QCommandLineParser& parser, CliIo& io) {
    CliPrompter prompter(io);
    const unsigned long long replacedBefore = ReplacedFileCount();
    try {
        return c.run(parser, io);
    } catch (const XmlError& e) {
        REPORT_XML_ERROR(e, MessageIcon::Error);
        if (e.description && !e.description->isEmpty()) CliError(io, EscapeLine(*e.description));
    } catch (const std::bad_alloc&) {
        CliError(io, ReplacedFileCount() == replacedBefore
                         ? QStringLiteral("out of memory; nothing was written")
                         : QStringLiteral("out of memory after a file was written; the command "
                                          "did not finish"));
    }
    return kExitFailed;
}

// The command line's status, or 1 when what went to the output did not all arrive (a full disk, a
// closed standard output): a backup script must not take an empty file for the data. A command
// that failed already keeps its status.
int CheckedOutput(CliIo& io, int status) {
    io.out.flush();
    if (io.out.status() == QTextStream::Ok) return status;
    const auto* file = qobject_cast<const QFileDevice*>(io.out.device());
    CliError(io,
             FormatText(kOutputNotWritten, {file && file->error() != QFileDevice::NoError
                                                ? file->errorString()
                                                : QStringLiteral("一部しか書き込めませんでした")}));
    return status == kExitOk ? kExitFailed : status;
}

int RunCommandLine(const QStringList& args, CliIo& io) {
    if (args.isEmpty()) {
        PrintUsage(io.err);
        return kExitUsage;
    }
    const QString name = args.front();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
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
        const int status = RunGuarded(c, parser, io);
        io.out.flush();
        io.err.flush();
        return status;
    }
    io.err << "zetrova-cli: unknown command '" << EscapeLine(name) << "'\n";
    PrintUsage(io.err);
    return kExitUsage;
}

}  // namespace

int RunCli(const QStringList& args, CliIo& io) {
    return CheckedOutput(io, RunCommandLine(args, io));
}
