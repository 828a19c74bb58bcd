// add, edit and rm: changing the items of the data file, with the item commands' rules.
#include <QCommandLineParser>

#include "cli/CliCommandList.h"
#include "cli/CliDataFile.h"
#include "cli/CliEscape.h"
#include "cli/CliGroupPath.h"
#include "cli/CliInput.h"
#include "cli/CliLookup.h"
#include "diag/FormatText.h"
#include "diag/SecureWipe.h"
#include "items/ItemRules.h"
#include "items/PasswordGenerator.h"
#include "model/GroupRules.h"
#include "model/Lookups.h"
#include "model/Schema.h"

namespace {

const QString kSecretOption = QStringLiteral("secret");
const QString kPlainOption = QStringLiteral("plain");
const QString kGenerateOption = QStringLiteral("generate");
const QString kRenameOption = QStringLiteral("rename");
const QString kValueOption = QStringLiteral("value");

QString RecipeHelp() {
    return QStringLiteral(
               "Draw the value from password recipe N (0 to %1, as passgen) instead of "
               "reading it.")
        .arg(kPasswordRecipeCount - 1);
}

// --generate N: nullopt when not given; sets bad after the usage message for a wrong N.
std::optional<int> RecipeOption(const QCommandLineParser& parser, CliIo& io, bool& bad) {
    bad = false;
    if (!parser.isSet(kGenerateOption)) return std::nullopt;
    if (const std::optional<int> recipe = RecipeNumber(parser.value(kGenerateOption)))
        return recipe;
    CliError(io, QStringLiteral("--generate needs a recipe number from 0 to %1")
                     .arg(kPasswordRecipeCount - 1));
    bad = true;
    return std::nullopt;
}

void AddOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH/ITEM"),
                                 QStringLiteral("Group path followed by /ITEM."));
    parser.addOption({kSecretOption, QStringLiteral("Add a secret item (its value is masked).")});
    parser.addOption({kPlainOption, QStringLiteral("Add a plain item. Without either option an "
                                                   "item replaced keeps its kind; a new one is "
                                                   "plain.")});
    parser.addOption({kGenerateOption, RecipeHelp(), QStringLiteral("N")});
    AddDataFileOptions(parser);
}

// --secret and --plain exclude each other; false after the usage message.
bool OneKindAtMost(const QCommandLineParser& parser, CliIo& io, const char* command) {
    if (!parser.isSet(kSecretOption) || !parser.isSet(kPlainOption)) return true;
    CliError(io,
             QStringLiteral("%1 takes --secret or --plain, not both").arg(QLatin1String(command)));
    return false;
}

// The kind an item gets: what --secret or --plain says, else the kind of the item it replaces
// (none for a new item: plain). A value replaced without a word about its kind never turns from
// secret to plain, which would show it in every listing.
bool ItemIsSecret(const QCommandLineParser& parser, const XmlNode& replaced) {
    if (parser.isSet(kSecretOption) || parser.isSet(kPlainOption))
        return parser.isSet(kSecretOption);
    return !replaced.isNull() && KindOf(replaced) == schema::kSecretItem;
}

int RunAdd(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<CliItemPath> path = ItemPathArgument(parser, io, "add");
    if (!path) return kExitUsage;
    if (path->item.isEmpty()) {
        CliError(io, QString::fromUtf16(group_rules::kNameEmpty));
        return kExitUsage;
    }
    bool bad = false;
    const std::optional<int> recipe = RecipeOption(parser, io, bad);
    if (bad || !OneKindAtMost(parser, io, "add")) return kExitUsage;
    // The value is read right after the key, before the data file is locked and read: without
    // echo unless --plain, since the kind of an item it may replace is not known yet.
    std::optional<QString> value;
    const auto readValue = [&] {
        value = ReadItemValue(io, !parser.isSet(kPlainOption), recipe);
        return value.has_value();
    };
    const CliDataFiles files = ResolveDataFiles(parser);
    const int status = ChangeDataFile(files, io, readValue, [&](DocumentState& state) {
        const XmlNode group = GroupOrNotice(state, path->groups, io);
        if (group.isNull()) return ChangeResult::Refused;
        // A name in use: 項目 › 追加 asks whether to replace, and the command is the Yes. A
        // sub-group of that name is not replaced, though: a slip would take its whole branch.
        const XmlNode existing = FindItem(group, path->item, schema::kAnyKind);
        if (!existing.isNull() && schema::IsGroup(existing)) {
            CliError(io, FormatText(kItemNameInUse, {EscapeLine(path->item)}));
            return ChangeResult::Refused;
        }
        const XmlNode made =
            MakeItemNode(state.document, path->item, *value, ItemIsSecret(parser, existing));
        if (existing.isNull())
            group.appendChild(made);
        else
            group.replaceChild(made, existing);
        return ChangeResult::Changed;
    });
    if (value) Wipe(*value);
    return status;
}

void EditOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH/ITEM"),
                                 QStringLiteral("Group path followed by /ITEM."));
    parser.addOption({kRenameOption,
                      QStringLiteral("New name (written as in a path: \\/ for a slash)."),
                      QStringLiteral("NEW")});
    parser.addOption({kValueOption, QStringLiteral("Read a new value, as add does.")});
    parser.addOption({kGenerateOption, RecipeHelp(), QStringLiteral("N")});
    parser.addOption({kSecretOption, QStringLiteral("Make it a secret item.")});
    parser.addOption({kPlainOption, QStringLiteral("Make it a plain item.")});
    AddDataFileOptions(parser);
}

// --rename NEW: one name, escaped as in a path; nullopt after the usage message.
std::optional<QString> NewName(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<QStringList> names = ParseGroupPath(u'/' + parser.value(kRenameOption));
    if (names && names->size() == 1) {
        if (!NamesStorable(*names, parser.value(kRenameOption), io)) return std::nullopt;
        return names->front();
    }
    CliError(io, QStringLiteral("--rename takes one name; write a slash in it as \\/ and a "
                                "backslash as \\\\"));
    return std::nullopt;
}

int RunEdit(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<CliItemPath> path = ItemPathArgument(parser, io, "edit");
    if (!path) return kExitUsage;
    bool bad = false;
    const std::optional<int> recipe = RecipeOption(parser, io, bad);
    if (bad) return kExitUsage;
    const bool readValue = parser.isSet(kValueOption);
    if (readValue && recipe) {
        CliError(io, QStringLiteral("edit takes --value or --generate, not both"));
        return kExitUsage;
    }
    if (!OneKindAtMost(parser, io, "edit")) return kExitUsage;
    std::optional<QString> rename;
    if (parser.isSet(kRenameOption)) {
        rename = NewName(parser, io);
        if (!rename) return kExitUsage;
    }
    if (!rename && !readValue && !recipe && !parser.isSet(kSecretOption) &&
        !parser.isSet(kPlainOption)) {
        CliError(io, QStringLiteral("edit needs --rename, --value, --generate, --secret or "
                                    "--plain"));
        return kExitUsage;
    }
    // A new value is read right after the key, before the data file is locked and read: without
    // echo unless --plain, since the item's kind is not known yet.
    std::optional<QString> value;
    const auto readNewValue = [&] {
        if (readValue || recipe) value = ReadItemValue(io, !parser.isSet(kPlainOption), recipe);
        return value.has_value() || !(readValue || recipe);
    };
    const CliDataFiles files = ResolveDataFiles(parser);
    const int status = ChangeDataFile(files, io, readNewValue, [&](DocumentState& state) {
        const std::optional<CliItem> found = FindItemAt(state, *path, io);
        if (!found) return ChangeResult::Refused;
        const QString name = rename.value_or(path->item);
        // A name another child has is refused; a new one renames the item where it stands.
        if (ClassifyItemChange(found->group, found->item, name) == ItemChange::NameInUse) {
            CliError(io, FormatText(kItemNameInUse, {EscapeLine(name)}));
            return ChangeResult::Refused;
        }
        const bool secret = ItemIsSecret(parser, found->item);
        QString newValue = value ? *value : found->item.text();
        found->group.replaceChild(MakeItemNode(state.document, name, newValue, secret),
                                  found->item);
        Wipe(newValue);
        return ChangeResult::Changed;
    });
    if (value) Wipe(*value);
    return status;
}

void RmOptions(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("PATH/ITEM"),
                                 QStringLiteral("Group path followed by /ITEM."));
    AddDataFileOptions(parser);
}

int RunRm(const QCommandLineParser& parser, CliIo& io) {
    const std::optional<CliItemPath> path = ItemPathArgument(parser, io, "rm");
    if (!path) return kExitUsage;
    return ChangeDataFile(ResolveDataFiles(parser), io, [&](DocumentState& state) {
        const std::optional<CliItem> found = FindItemAt(state, *path, io);
        if (!found) return ChangeResult::Refused;
        found->group.removeChild(found->item);
        return ChangeResult::Changed;
    });
}

}  // namespace

CliCommand AddCommand() {
    return {"add", "add PATH/ITEM [--secret | --plain] [--generate N] [--ini PATH] [--data PATH]",
            "Add an item, as 項目 › 追加 does; its value is read after the key (one line), or "
            "generated. An item of that name is replaced and keeps its kind unless --secret or "
            "--plain is given.",
            AddOptions, RunAdd};
}

CliCommand EditCommand() {
    return {"edit",
            "edit PATH/ITEM [--rename NEW] [--value | --generate N] [--secret | --plain] "
            "[--ini PATH] [--data PATH]",
            "Change an item's name, value or kind where it stands, as 項目 › 変更 does (after "
            "the key).",
            EditOptions, RunEdit};
}

CliCommand RmCommand() {
    return {"rm", "rm PATH/ITEM [--ini PATH] [--data PATH]", "Delete one item (after the key).",
            RmOptions, RunRm};
}
