#pragma once

#include <QString>
#include <memory>

class QLockFile;

// Keeps the program to one running instance per user: the first process holds a lock file named
// after the application title; a second one finds it held and gives way. A lock left behind by a
// process that died is taken over.
class SingleInstanceGuard {
public:
    // lockDirectory empty: the user's runtime folder.
    explicit SingleInstanceGuard(const QString& key, const QString& lockDirectory = {});
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True when this process is now the running instance; false when another one holds the lock.
    bool acquire();
    const QString& lockPath() const { return lockPath_; }

private:
    QString lockPath_;
    std::unique_ptr<QLockFile> lock_;
};
