#pragma once

#include <QByteArray>
#include <QString>

class QObject;

// The writers' lock of one data file: whoever reads a data file to change it and write it back
// holds this lock from the read (or the check of what is there) to the write, so that two writers
// never both start from the same file and the second silently undo the first's change. It is
// local to this machine and this user: a lock file in the user's runtime folder
// ($XDG_RUNTIME_DIR, else /run/user/UID, else a private folder /tmp/zetrova-UID), in a
// subfolder "zetrova/locks" (mode 0700, refused when it is a link or not the user's own), named
// after the folder the data file lies in and its name. Never beside the data file: that folder
// may be synchronised to other machines. The lock is the kernel's (flock), so a holder that
// crashes or is killed never leaves it held. Lock files stay where they are: removing one while
// another process waits for it would give two holders.
//
// Within one process the lock is taken again at once by whoever already holds it (a command that
// holds it for its whole run and the save inside it), and released when its last holder ends.
class DataFileLock {
public:
    enum class Status {
        NotTaken,     // a lock made empty, or released
        Held,         // this object holds the lock
        Busy,         // another process held it for the whole wait
        Unavailable,  // no lock file could be made; folder names where it was looked for
    };

    DataFileLock() = default;
    // Takes the lock of the data file at path, waiting for it at most a few seconds (5).
    explicit DataFileLock(const QString& dataFilePath);
    ~DataFileLock() { release(); }
    DataFileLock(DataFileLock&& other) noexcept;
    DataFileLock& operator=(DataFileLock&& other) noexcept;
    DataFileLock(const DataFileLock&) = delete;
    DataFileLock& operator=(const DataFileLock&) = delete;

    Status status() const { return status_; }
    bool held() const { return status_ == Status::Held; }
    // Unavailable: the folder the lock file was to be made in.
    const QString& folder() const { return folder_; }
    void release();

private:
    Status status_ = Status::NotTaken;
    QByteArray key_;
    QString folder_;
};

// The notice for a lock that was not taken (owner may be nullptr): the data file is then not
// written. "%sはほかのプログラムが書き込み中のため、書き込みませんでした" when another process held
// it for the whole wait; "%sのロックファイルを%sに作れないため、書き込みませんでした" when there is
// nowhere to keep it.
void NoticeLockProblem(QObject* owner, const QString& dataFilePath, const DataFileLock& lock);
