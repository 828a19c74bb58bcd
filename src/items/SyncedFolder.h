#pragma once

#include <QString>

class QObject;

// The settings file's KEY is not only a check of the key: it is the data file's encryption key
// itself, so the settings file opens the data file without the key. A settings file inside a
// folder that a synchronisation tool copies (Syncthing, Nextcloud, ownCloud, Dropbox) hands the
// key to every machine and provider the folder reaches. These functions find such a folder, for
// both programs to say so.

// The marker file a synchronisation tool keeps in the folder it copies, looked for in the folder
// of settingsFile and in each folder above it, up to home (included) when it lies below home, else
// up to the root: ".stfolder" (Syncthing), ".nextcloudsync.log", ".owncloudsync.log" and the
// journals ".sync_*.db" and "._sync_*.db" (Nextcloud and ownCloud), and ".dropbox" as a file
// (Dropbox; a ".dropbox" folder is Dropbox's own settings in the home folder, not a copied one).
// The path of the first marker found; empty when there is none.
QString SyncToolMarkerAbove(const QString& settingsFile, const QString& home);

// "設定ファイル%sは同期ツールが管理するフォルダーの中にあります（%s）。…": the settings file and
// the marker found.
inline constexpr char16_t kSettingsInSyncedFolder[] =
    u"設定ファイル%sは同期ツールが管理するフォルダーの中にあります（%s）。設定ファイルのKEYは"
    u"データファイルの暗号化キーそのもので、設定ファイルがあればキーなしでデータファイルを"
    u"開けます。同期するのはデータファイルだけにして、設定ファイルは各マシンの同期しない"
    u"フォルダーに置いてください（DATAで同期フォルダーのデータファイルを指せます）";

// When settingsFile exists inside a synchronised folder: the notice kSettingsInSyncedFolder (owner
// may be nullptr; zetrova-cli writes it to the error stream) and true; otherwise nothing, false.
bool NoticeSettingsInSyncedFolder(QObject* owner, const QString& settingsFile, const QString& home);
