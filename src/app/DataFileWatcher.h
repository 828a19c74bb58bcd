#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

// Tells when the data file may have been changed on disk: by a watch on the file and on its
// folder (sync tools replace a file by renaming another one onto it, which ends a watch on the
// file itself) and whenever poke() is called (the main window shown or activated). Changes come in
// bursts, so checkNow follows only after a short quiet, and never while busy() says a command
// runs or while a modal dialog or a popup menu is open: replacing the document under a command
// that holds its nodes would lose that command's change.
class DataFileWatcher : public QObject {
    Q_OBJECT
public:
    explicit DataFileWatcher(std::function<bool()> busy, QObject* parent = nullptr);

    // Watches path (and its folder) from now on, instead of the previous one.
    void watch(const QString& path);
    // A check soon.
    void poke();

signals:
    void checkNow();

private:
    void onQuiet();

    QFileSystemWatcher watcher_;
    QTimer quiet_;
    QString path_;
    std::function<bool()> busy_;
};
