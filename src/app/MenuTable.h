#pragma once

#include <QString>
#include <span>

// One entry of a drop-down menu: a command item, or a separator (id 0). The text is shown as it
// stands: "&" marks the mnemonic and the part after a tab names the accelerator. The accelerator
// itself is a portable key sequence ("Ctrl+O") or nullptr.
struct MenuItemEntry {
    int id;
    const char16_t* text;
    const char* accelerator;
};

struct MenuEntry {
    const char16_t* title;
    std::span<const MenuItemEntry> items;
};

// The main menu, drop-down by drop-down, in the order shown.
std::span<const MenuEntry> MainMenuTable();

// The menu opened by a left press on the notification icon.
std::span<const MenuItemEntry> NotifyMenuTable();

// The status-bar prompt of a command id while its menu item is highlighted; empty for ids without
// a prompt.
QString MenuPrompt(int id);
