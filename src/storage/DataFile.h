#pragma once

#include <QString>
#include <functional>

#include "model/DocumentState.h"

class QObject;

// Asks the user for the key until one matches the held verifier; true with that key's verifier,
// false when the user gives up. A load wipes the verifier once the file is decrypted, unless the
// function handed out a string it still shares. The main window passes its key dialog; the
// command-line tool reads the key from the terminal.
using AskKeyFn = std::function<bool(QString& verifier)>;

// Writes the document of state to path, encrypted under the held key verifier. With askKey the
// key is asked for first, and the verifier it gives becomes the held one. True without writing
// anything when there is no document. Notices (owner may be nullptr), each followed by false:
// "暗号化キーが設定されていません" (no verifier held), "暗号キーが違います" (key not given),
// "暗号化できませんでした", and the writer's notice (NoticeWriteProblem: "書き込めませんでした", a
// refused link, not a regular file, the disk not confirming). An engine failure while serialising
// is reported as an XML engine failure (warning icon). The file is replaced only once the new
// content is completely written (temporary file in the same folder, then rename): a failed save
// leaves the previous file as it was. Path, modified flag and title are not changed; when path is
// the data file and the file was replaced, its stamp becomes that of the bytes written. With
// mayReplace, the file is replaced only when it returns true, asked right before (see
// WriteFileChecked); false from it gives false without a notice, the caller says why.
// The check and the replacing happen under the writers' lock of path (DataFileLock), taken after
// the key was asked for; a lock not to be had within its wait writes nothing and gives false after
// NoticeLockProblem. afterReplace runs once the file was replaced, still under the lock: the
// second file of a change of both (the settings file naming the key the data file is now under).
bool SaveDataFile(DocumentState& state, const QString& path, bool askKey, const AskKeyFn& askKeyFn,
                  QObject* owner = nullptr, const std::function<bool()>& mayReplace = {},
                  const std::function<void()>& afterReplace = {});

// Replaces the document of state by the data file at path and, on success, makes path the data
// file path, the verifier the key gave the held one and the file's bytes the data file's stamp
// (the caller updates the title, the views and the modified flag). A missing,
// unreadable or empty file gives false without a message and without asking for the key; so does
// a key not given. The file is parsed into a new document, and the current document and root are
// replaced only on success; on any failure they stay as they were. Notices, each followed by
// false: "復号化できませんでした", "データを解釈できませんでした", "ルートを取得できませんでした".
// An engine failure is reported as an XML engine failure (warning icon), then false.
bool LoadDataFile(DocumentState& state, const QString& path, const AskKeyFn& askKeyFn,
                  QObject* owner = nullptr);

// Makes a new document holding only the root group (a group named "root") the document of state.
// An engine failure is reported as an XML engine failure (error icon) and gives false, leaving
// state as it was. Path, verifier and modified flag are the caller's.
bool CreateRootDocument(DocumentState& state);

// The stamp of a data file holding these bytes: a copy of them, or the same buffer shared.
DataFileStamp StampOf(const char* data, qint64 size);
DataFileStamp StampOf(const QByteArray& bytes);
// The stamp of the file at path as it is now; unknown when it is missing, unreadable or empty.
DataFileStamp StampOfFile(const QString& path);

// How the file at path stands, before the document is written there.
enum class DiskChange {
    // Nothing to lose: no file (a vanished one too), an empty file, or exactly the bytes this
    // program last loaded from or wrote to the data file.
    None,
    // The data file holds other bytes than the program last loaded or wrote: changed by someone
    // else since (a synchronised folder, a network share, the command-line tool).
    Changed,
    // A file the program has neither loaded nor written: another file than the data file, or the
    // data file while its stamp is unknown (after a new document or a failed load).
    NotLoaded,
};
// With bytesRead, the file is read once whatever the answer, the answer is taken from those bytes
// and they are handed over (empty when the file is missing, empty or cannot be read), for the
// caller to go on with exactly what was looked at.
DiskChange DataFileChangeOnDisk(const DocumentState& state, const QString& path,
                                QByteArray* bytesRead = nullptr);

// The document a data file's bytes hold under verifier: decrypted and parsed, with a document
// element; a null document when they do not open under it. Shows nothing.
XmlDocument DecodeDataFile(const QByteArray& fileBytes, const QString& verifier);

// A data file read and opened: its document and the stamp of the bytes it was read from.
struct DataFileContent {
    XmlDocument document;
    DataFileStamp stamp;
};
// Reads the data file at path and opens it under verifier (DecodeDataFile); false, content
// untouched, when it is missing, empty or does not open. Shows nothing. On false, doctype (when
// given) tells a file that deciphered into XML declaring a DOCTYPE, which is refused, from one
// that is not under verifier at all.
bool ReadDataFileUnder(const QString& path, const QString& verifier, DataFileContent& content,
                       bool* doctype = nullptr);

// Whether the data file at path decrypts under verifier into text that parses into a document
// with a document element. Shows nothing. A key that opens the data file is the data file's key,
// whatever verifier the settings file holds.
bool DataFileOpensUnder(const QString& path, const QString& verifier);
