#pragma once

#include <QString>
#include <functional>

class CommandTable;
class CZetrovaView;
class GroupTreeWidget;
struct HeldSettings;
class QWidget;
class Workspace;

// What the main window lends its wiring, filled in by the window: the wiring needs nothing else of
// it. The handlers and connections the wiring makes hold these pointers, which the window keeps
// valid for its whole life.
struct FrameParts {
    Workspace* workspace = nullptr;
    // Owner of the key dialog and the notices, parent of the wiring's own objects and context of
    // its connections.
    QWidget* window = nullptr;
    GroupTreeWidget* groupTree = nullptr;
    CZetrovaView* itemList = nullptr;
    CommandTable* commands = nullptr;
    // The base of the settings file and the default data file.
    QString startDirectory;
    // True while a command runs (its dialogs and questions included).
    std::function<bool()> commandRunning;
    // The window's start-minimised flag, which the settings read at start-up and the settings
    // command set.
    bool* startMinimised = nullptr;
};

// Connects the workspace to the window's views: the tree click, the item list, the key dialog, the
// watch on the data file; and registers the handlers of the document, settings, group, item,
// clipboard, search and exchange commands. Returns what the window calls whenever it is shown or
// activated: the data file is looked at again then.
std::function<void()> WireFrame(const FrameParts& parts);

// Start-up steps: the settings file of the start directory, then the data file (or a new document).
void ReadStartupSettings(const FrameParts& parts);
// The settings step with settings already read (StartupSettingsReadable): held is moved into the
// window and left without its verifier. A settings file inside a synchronised folder is named in
// a notice (kSettingsInSyncedFolder), once per start.
void ApplyStartupSettings(const FrameParts& parts, HeldSettings& held);
void LoadStartupDocument(const FrameParts& parts);

// Before the main window: false, after the notice "設定ファイル%sを読み込めませんでした（%s）",
// when the settings file of startDir exists but cannot be read. The program then stops: its
// defaults would open another data file, or none, under no key. With read, what was read is put
// there (ReadSettings), for the window to start with without reading the file again.
bool StartupSettingsReadable(const QString& startDir, HeldSettings* read = nullptr);
