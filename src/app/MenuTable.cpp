#include "app/MenuTable.h"

#include <array>

#include "app/CommandIds.h"

namespace {

using namespace CommandId;

constexpr MenuItemEntry kSeparator{0, nullptr, nullptr};

constexpr std::array kFileMenu{
    MenuItemEntry{FileOpen, u"開く(&O)\tCtrl+O", "Ctrl+O"},
    MenuItemEntry{FileNew, u"新規作成(&N)", nullptr},
    MenuItemEntry{FileSave, u"保存(&S)\tCtrl+S", "Ctrl+S"},
    MenuItemEntry{FileSaveAs, u"別名で保存(&A)", nullptr},
    MenuItemEntry{Lock, u"ロック(&L)\tCtrl+L", "Ctrl+L"},
    kSeparator,
    MenuItemEntry{Import, u"インポート(&I)\tCtrl+I", "Ctrl+I"},
    MenuItemEntry{Export, u"エクスポート(&E)\tCtrl+E", "Ctrl+E"},
    MenuItemEntry{Versions, u"以前の版(&V)...", nullptr},
    kSeparator,
    MenuItemEntry{FileClose, u"閉じる(&C)", nullptr},
    MenuItemEntry{Exit, u"終了(&X)", nullptr},
};

constexpr std::array kClipboardMenu{
    MenuItemEntry{ClipboardCopy, u"コピー(&C)\tCtrl+C", "Ctrl+C"},
};

constexpr std::array kItemMenu{
    MenuItemEntry{ItemAdd, u"追加(&A)", nullptr},
    MenuItemEntry{ItemEdit, u"変更(&E)", nullptr},
    MenuItemEntry{ItemDelete, u"削除(&D)", nullptr},
    kSeparator,
    MenuItemEntry{ItemCopy, u"コピー(&C)", nullptr},
    MenuItemEntry{ItemMove, u"移動(&M)", nullptr},
    MenuItemEntry{ItemPaste, u"貼り付け(&P)", nullptr},
    kSeparator,
    MenuItemEntry{ItemSearch, u"項目の検索(&S)\tCtrl+Shift+F", "Ctrl+Shift+F"},
};

constexpr std::array kGroupMenu{
    MenuItemEntry{GroupFind, u"検索(&F)\tCtrl+F", "Ctrl+F"},
    MenuItemEntry{GroupFindNext, u"次の検索(&N)\tF3", "F3"},
    kSeparator,
    MenuItemEntry{GroupAdd, u"追加(&A)", nullptr},
    MenuItemEntry{GroupEdit, u"変更(&E)", nullptr},
    MenuItemEntry{GroupDelete, u"削除(&D)", nullptr},
    kSeparator,
    MenuItemEntry{GroupCopy, u"コピー(&C)", nullptr},
    MenuItemEntry{GroupMove, u"移動(&M)", nullptr},
    MenuItemEntry{GroupPaste, u"貼り付け(&P)", nullptr},
};

constexpr std::array kSettingsMenu{
    MenuItemEntry{Settings, u"設定(&C)", nullptr},
    MenuItemEntry{LockSettings, u"ロック(&L)...", nullptr},
};

constexpr std::array kViewMenu{
    MenuItemEntry{ToggleGroupPane, u"グループビュー(&G)", nullptr},
};

constexpr std::array kHelpMenu{
    MenuItemEntry{Help, u"ヘルプ(&H)", nullptr},
    MenuItemEntry{About, u"&About", nullptr},
};

const std::array kMainMenu{
    MenuEntry{u"ファイル(&F)", kFileMenu}, MenuEntry{u"クリップボード(&S)", kClipboardMenu},
    MenuEntry{u"項目(&I)", kItemMenu},     MenuEntry{u"グループ(G)", kGroupMenu},
    MenuEntry{u"設定(&C)", kSettingsMenu}, MenuEntry{u"表示(&V)", kViewMenu},
    MenuEntry{u"ヘルプ(&H)", kHelpMenu},
};

constexpr std::array kNotifyMenu{
    MenuItemEntry{ShowWindow, u"開く", nullptr},
    // One of the two is shown: ロック while unlocked, ロック解除 while locked.
    MenuItemEntry{Lock, u"ロック", nullptr},
    MenuItemEntry{Unlock, u"ロック解除", nullptr},
    MenuItemEntry{Help, u"ヘルプ", nullptr},
    MenuItemEntry{Exit, u"終了", nullptr},
};

struct PromptEntry {
    int id;
    const char16_t* prompt;
};

constexpr std::array kPrompts{
    PromptEntry{FileNew, u"Create a new document"},
    PromptEntry{FileOpen, u"Open an existing document"},
    PromptEntry{FileClose, u"Close the active document"},
    PromptEntry{FileSave, u"Save the active document"},
    PromptEntry{FileSaveAs, u"Save the active document with a new name"},
    PromptEntry{ItemCopy, u"Copy the selection and put it on the Clipboard"},
    PromptEntry{ItemPaste, u"Insert Clipboard contents"},
    PromptEntry{About, u"Display program information, version number and copyright"},
    PromptEntry{Exit, u"Quit the application; prompts to save documents"},
};

}  // namespace

std::span<const MenuEntry> MainMenuTable() {
    return kMainMenu;
}

std::span<const MenuItemEntry> NotifyMenuTable() {
    return kNotifyMenu;
}

QString MenuPrompt(int id) {
    for (const PromptEntry& entry : kPrompts)
        if (entry.id == id) return QString::fromUtf16(entry.prompt);
    return {};
}
