#include "app/DataFileWatcher.h"

#include <QApplication>
#include <QFileInfo>

namespace {

// How long the folder stays quiet before the check, and how often a busy program looks again.
constexpr int kQuietMs = 300;
constexpr int kBusyRetryMs = 1000;

}  // namespace

DataFileWatcher::DataFileWatcher(std::function<bool()> busy, QObject* parent)
    : QObject(parent), busy_(std::move(busy)) {
    quiet_.setSingleShot(true);
    connect(&quiet_, &QTimer::timeout, this, &DataFileWatcher::onQuiet);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &DataFileWatcher::poke);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &DataFileWatcher::poke);
}

void DataFileWatcher::watch(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute == path_) return;
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    path_ = absolute;
    if (path_.isEmpty()) return;
    const QString folder = QFileInfo(path_).absolutePath();
    if (QFileInfo::exists(folder)) watcher_.addPath(folder);
    if (QFileInfo::exists(path_)) watcher_.addPath(path_);
}

void DataFileWatcher::poke() {
    if (!path_.isEmpty()) quiet_.start(kQuietMs);
}

void DataFileWatcher::onQuiet() {
    if ((busy_ && busy_()) || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget()) {
        quiet_.start(kBusyRetryMs);
        return;
    }
    // A file replaced by a rename is a new file: watched again.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) watcher_.addPath(path_);
    emit checkNow();
}
