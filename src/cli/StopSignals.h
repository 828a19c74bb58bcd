#pragma once

#include <QObject>
#include <csignal>
#include <iterator>

class QSocketNotifier;

// Turns SIGINT (Ctrl+C), SIGTERM and SIGHUP into the signal stopRequested() of the event loop,
// for as long as the object lives, so that a command waiting in the loop can end cleanly. The
// previous handlers come back when it is destroyed. One object at a time.
class StopSignals : public QObject {
    Q_OBJECT
public:
    StopSignals();
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[std::size(kSignals)]{};
    QSocketNotifier* notifier_ = nullptr;
};
