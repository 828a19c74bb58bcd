#pragma once

class QCoreApplication;

// Qt's own texts in Japanese whatever the process's locale (C.UTF-8 or no LANG at all included):
// the file dialogs, standard buttons and edit menus speak the program's language. Loads Qt's
// Japanese translations, adds the few texts they lack (the file dialog's "Folder", ...) and makes
// Japanese the default locale, so that file types in the file dialogs are Japanese too. Returns
// false when Qt's translations are not installed (Debian: qt6-translations-l10n); the texts then
// stay English.
bool InstallJapaneseQtTexts(QCoreApplication& app);
