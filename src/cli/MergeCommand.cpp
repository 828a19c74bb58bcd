// merge: another copy of the data file (from another machine, a sync tool's conflict copy) merged
// into the data file.
#include <QCommandLineParser>
#include <QFileInfo>
#include <optional>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "diag/FormatText.h"
#include "model/DocumentMerge.h"
#include "storage/DataFile.h"
#include "storage/DataFileLock.h"
#include "storage/SafeFileWrite.h"

namespace {

const QString kBaseOption = QStringLiteral("base");
// The conflict list is written in full up to at least this many characters.
constexpr qint64 kListedAtLeast = 1024 * 1024;

void MergeOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("OTHER.dat"),
                                 QStringLiteral("Data file to merge into the data file."));
    parser.addOption({kBaseOption,
                      QStringLiteral("The version both started from: merge three-way, so that "
                                     "what one side deleted is deleted (default: two-way, "
                                     "nothing deleted)."),
                      QStringLiteral("BASE.dat")});
    AddDataFileOptions(parser);
}

// The document of another data file encrypted under the data file's key, read once, or nullopt
// after the reason.
std::optional<XmlDocument> LoadOtherDataFile(const QString& path, const QString& verifier,
                                             CliIo& io) {
    DataFileContent content;
    bool doctype = false;
    if (QFileInfo(path).isFile() && ReadDataFileUnder(path, verifier, content, &doctype))
        return content.document;
    if (!QFileInfo(path).isFile() || !StampOfFile(path).known())
        CliError(io, FormatText(u"%sを読み込めませんでした", {EscapeLine(path)}));
    else if (doctype)
        CliError(io, FormatText(u"%sはデータファイルと同じキーで復号できましたが、DOCTYPE宣言が"
                                u"あるため読み込みませんでした",
                                {EscapeLine(path)}));
    else
        CliError(io, FormatText(u"%sはデータファイルと同じキーで開けません", {EscapeLine(path)}));
    return std::nullopt;
}

// One line per conflict: the group as a path, then the name, as ls writes them. Conflicts in every
// level of a deep chain of groups would write paths of every length up to its depth; the list
// stops once it is longer than a megabyte plus twice the data file, and the rest are counted.
void ListConflicts(const QList<MergeConflict>& conflicts, qint64 dataFileSize, CliIo& io) {
    const qint64 longest = kListedAtLeast + 2 * dataFileSize;
    qint64 written = 0;
    qsizetype listed = 0;
    for (; listed < conflicts.size() && written <= longest; ++listed) {
        const MergeConflict& conflict = conflicts[listed];
        const QString line =
            FormatGroupPath(conflict.groupNames()) + u'\t' + EscapeLine(conflict.name) + u'\n';
        io.out << line;
        written += line.size();
    }
    if (listed < conflicts.size())
        CliError(io, FormatText(u"競合はほかに%s件あります（一覧が長すぎるため省きました）",
                                {QString::number(conflicts.size() - listed)}));
}

int RunMerge(const QCommandLineParser& parser, CliIo& io) {
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1 || args.front().isEmpty() ||
        (parser.isSet(kBaseOption) && parser.value(kBaseOption).isEmpty())) {
        CliError(io, QStringLiteral("merge needs one file name, and --base one if given"));
        return kExitUsage;
    }
    const CliDataFiles files = ResolveDataFiles(parser);
    DocumentState state;
    DataFileLock lock;
    if (!LoadDataFileToChange(files, io, state, lock)) return kExitFailed;
    const std::optional<XmlDocument> theirs =
        LoadOtherDataFile(args.front(), state.keyVerifier, io);
    if (!theirs) return kExitFailed;
    std::optional<XmlDocument> base = XmlDocument();
    if (parser.isSet(kBaseOption))
        base = LoadOtherDataFile(parser.value(kBaseOption), state.keyVerifier, io);
    if (!base) return kExitFailed;

    const MergeResult merged = MergeDocuments(*base, state.document, *theirs);
    bool saved = true;
    if (merged.document.sameContent(state.document)) {
        // Merged before, or holding nothing new: the data file stays as it is, byte for byte.
        CliError(io, FormatText(u"%sの内容はすべてデータファイルにあります。変更しませんでした",
                                {EscapeLine(args.front())}));
    } else {
        state.document = merged.document;
        state.root = merged.document.documentElement();
        const unsigned long long replacedBefore = ReplacedFileCount();
        saved = SaveDataFileForCli(files, state, io);
        // A merged file in place holds its conflicts, whether the disk confirmed it or not: they
        // are listed either way.
        if (!saved && ReplacedFileCount() == replacedBefore) return kExitFailed;
    }
    ListConflicts(merged.conflicts, QFileInfo(files.dataPath).size(), io);
    return saved ? kExitOk : kExitFailed;
}

}  // namespace

CliCommand MergeCommand() {
    return {"merge", "merge OTHER.dat [--base BASE.dat] [--ini PATH] [--data PATH]",
            "Merge another copy of the data file into it (three-way with --base, else two-way), "
            "printing each conflict's group and name (after the key).",
            MergeOptions, RunMerge};
}
