#pragma once

class QLineEdit;

// Keeps the characters of keys off the accessibility bus. Qt's line edit reports every change of
// its text to assistive technology with the characters themselves, also in password mode; every
// client of the desktop's accessibility bus receives them. The filter replaces the characters of
// such reports by "*", one for each, so that a screen reader still hears that a character was
// typed or deleted, and where, but never which.
//
// It applies to every edit in password mode and to every edit marked as a key edit (also while
// that one shows its text in plain, as the settings dialog's key edit can).

// Marks an edit as holding a key.
void MarkAsKeyEdit(QLineEdit& edit);

// Installs the filter in front of Qt's accessibility updates, once per process; updates that
// carry no key text pass unchanged (to an update handler installed before, else to the desktop).
void InstallKeyEditAccessibility();
