#pragma once

#include <QObject>
#include <functional>

class NotifyIcon;

// Registers the notification icon at start-up. An add request that fails is followed by a modify
// request (the icon may be there after all); when that fails too, the add is tried again a second
// later, up to a bounded number of attempts, without blocking the event loop. The first failure
// that is not a time-out shows the notice "通知領域にアイコンを登録できませんでした。" once and
// sends the main window one close request. After the last attempt the program goes on without an
// icon.
class NotifyRegistration : public QObject {
    Q_OBJECT
public:
    // Runs task after delayMs milliseconds. Tests pass one that lets them run the task at will.
    using Scheduler = std::function<void(int delayMs, std::function<void()> task)>;

    static constexpr int kDefaultAttempts = 10;
    static constexpr int kRetryDelayMs = 1000;

    enum class State { Idle, Retrying, Registered, GaveUp };

    // An empty scheduler uses a single-shot timer owned by this object.
    NotifyRegistration(NotifyIcon& icon, std::function<void()> closeRequest,
                       Scheduler scheduler = {}, int maxAttempts = kDefaultAttempts);

    // Sends the first add request; the retries follow on their own.
    void start();
    // Stops any further attempt (the program is ending).
    void cancel();

    State state() const { return state_; }
    bool registered() const { return state_ == State::Registered; }
    int attempts() const { return attempts_; }

signals:
    // Registration ended: registered or given up.
    void finished(bool registered);

private:
    void attempt();
    void end(State state);

    NotifyIcon& icon_;
    std::function<void()> closeRequest_;
    Scheduler scheduler_;
    int maxAttempts_;
    int attempts_ = 0;
    bool noticeShown_ = false;
    State state_ = State::Idle;
};
