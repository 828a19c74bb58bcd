#pragma once

// Command ids of the main window. The program's own ids lie from 32776 to 32798, at 32800 and at
// 40000 and 40001; the others are the standard ids of the window framework the program was first
// built on, kept so that every part of the program names a command by the same number.
namespace CommandId {
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileClose = 57602;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int Import = 32776;
inline constexpr int Export = 32777;
inline constexpr int Exit = 57665;
inline constexpr int ClipboardCopy = 32790;
inline constexpr int ItemAdd = 32778;
inline constexpr int ItemDelete = 32779;
inline constexpr int ItemEdit = 32780;
inline constexpr int ItemMove = 32781;
inline constexpr int ItemCopy = 57634;
inline constexpr int ItemPaste = 57637;
inline constexpr int ItemSearch = 32800;
inline constexpr int GroupAdd = 32782;
inline constexpr int GroupDelete = 32783;
inline constexpr int GroupEdit = 32784;
inline constexpr int GroupCopy = 32785;
inline constexpr int GroupMove = 32786;
inline constexpr int GroupPaste = 32787;
inline constexpr int GroupFind = 32788;
inline constexpr int GroupFindNext = 32789;
inline constexpr int Settings = 32791;
inline constexpr int ShowWindow = 32795;
// The lock: lock now, unlock (the key asked for), and the lock's preferences.
inline constexpr int Lock = 32796;
inline constexpr int Unlock = 32797;
inline constexpr int LockSettings = 32798;
inline constexpr int ToggleGroupPane = 40000;
inline constexpr int Versions = 40001;
inline constexpr int Help = 57670;
inline constexpr int About = 57664;
// Sent by the close button in the group pane's header; it has no menu item.
inline constexpr int PaneClose = 57682;
}  // namespace CommandId
