#pragma once

// The application title: the main window's caption, the notification icon's tooltip and the key
// of the single-instance guard.
inline constexpr char16_t kApplicationTitle[] = u"情報管理ツール Zetrova";

// The first line of the About box.
inline constexpr char16_t kProgramVersionText[] = u"Zetrova v1.05";
