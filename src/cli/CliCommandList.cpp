#include "cli/CliCommandList.h"

const std::vector<CliCommand>& CliCommandList() {
    static const std::vector<CliCommand> commands = {
        // clang-format off
        VerifierCommand(),
        PassgenCommand(),
        ExportCommand(),
        ImportCommand(),
        LsCommand(),
        ShowCommand(),
        ClipCommand(),
        FindCommand(),
        SearchCommand(),
        MergeCommand(),
        InitCommand(),
        MkdirCommand(),
        AddCommand(),
        EditCommand(),
        RmCommand(),
        RmdirCommand(),
        MvCommand(),
        PasswdCommand(),
        VersionsCommand(),
        DiffCommand(),
        RestoreCommand(),
        // clang-format on
    };
    return commands;
}
