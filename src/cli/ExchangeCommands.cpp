// export and import: the data file to a plain XML file and back.
#include <QCommandLineParser>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "diag/FormatText.h"
#include "diag/LogFile.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/XmlExchange.h"

namespace {

void ExportOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("OUT.xml"), QStringLiteral("File to write."));
    AddDataFileOptions(parser);
}

void ImportOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("IN.xml"), QStringLiteral("File to read."));
    AddDataFileOptions(parser);
}

// The one file argument of export and import, or nullopt after a usage message.
std::optional<QString> OneFileArgument(const QCommandLineParser& parser, CliIo& io,
                                       const char* command) {
    const QStringList args = parser.positionalArguments();
    if (args.size() == 1 && !args.front().isEmpty()) return args.front();
    CliError(io, QStringLiteral("%1 needs one file name").arg(QLatin1String(command)));
    return std::nullopt;
}

int RunExport(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<QString> out = OneFileArgument(parser, io, "export");
    if (!out) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    // A slip of the pen would replace the encrypted data, the settings or the log by the
    // secrets in clear.
    if (RefuseExportOntoProgramFile(*out,
                                    {files.dataPath, files.iniPath, LogFile::Instance().path()}))
        return kExitUsage;
    DocumentState state;
    if (!LoadDataFileForCli(files, io, state)) return kExitFailed;
    return WriteXmlFile(state.document, *out) ? kExitOk : kExitFailed;
}

int RunImport(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<QString> in = OneFileArgument(parser, io, "import");
    if (!in) return kExitUsage;
    const CliDataFiles files = ResolveDataFiles(parser);
    DocumentState state;
    DataFileLock lock;
    if (!LockAfterKey(files, io, lock, state.keyVerifier)) return kExitFailed;
    // The data file as it is under the lock: what the import will replace.
    state.dataFileStamp = StampOfFile(files.dataPath);
    if (io.afterRead) io.afterRead();
    QString detail;
    if (!ImportXmlFile(state, *in, nullptr, &detail)) {
        if (!detail.isEmpty()) CliError(io, EscapeLine(detail));
        return kExitFailed;
    }
    return SaveDataFileForCli(files, state, io) ? kExitOk : kExitFailed;
}

}  // namespace

CliCommand ExportCommand() {
    return {"export", "export OUT.xml [--ini PATH] [--data PATH]",
            "Write the data file's document as plain Shift_JIS XML (after the key).", ExportOptions,
            RunExport};
}

CliCommand ImportCommand() {
    return {"import", "import IN.xml [--ini PATH] [--data PATH]",
            "Replace the data file's document by an XML file's (after the key).", ImportOptions,
            RunImport};
}
