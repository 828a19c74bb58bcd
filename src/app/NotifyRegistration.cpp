#include "app/NotifyRegistration.h"

#include <QPointer>
#include <QTimer>

#include "app/NotifyIcon.h"
#include "diag/MessageBoxes.h"

NotifyRegistration::NotifyRegistration(NotifyIcon& icon, std::function<void()> closeRequest,
                                       Scheduler scheduler, int maxAttempts)
    : icon_(icon),
      closeRequest_(std::move(closeRequest)),
      scheduler_(std::move(scheduler)),
      maxAttempts_(maxAttempts < 1 ? 1 : maxAttempts) {
    if (!scheduler_) {
        scheduler_ = [this](int delayMs, std::function<void()> task) {
            QTimer::singleShot(delayMs, this, std::move(task));
        };
    }
}

void NotifyRegistration::start() {
    if (state_ != State::Idle) return;
    state_ = State::Retrying;
    attempt();
}

void NotifyRegistration::cancel() {
    if (state_ == State::Retrying || state_ == State::Idle) end(State::GaveUp);
}

void NotifyRegistration::end(State state) {
    state_ = state;
    emit finished(state == State::Registered);
}

void NotifyRegistration::attempt() {
    if (state_ != State::Retrying) return;
    ++attempts_;
    const int code = icon_.add();
    if (code == NotifyIcon::kOk) return end(State::Registered);

    if (code != NotifyIcon::kTimeout && !noticeShown_) {
        // Said once: a notice every second would keep the user from doing anything else.
        noticeShown_ = true;
        Notice(nullptr, u"通知領域にアイコンを登録できませんでした。");
        if (closeRequest_) closeRequest_();
        // The close request may have ended the program.
        if (state_ != State::Retrying) return;
    }
    if (icon_.modify() == NotifyIcon::kOk) return end(State::Registered);
    if (attempts_ >= maxAttempts_) return end(State::GaveUp);

    QPointer<NotifyRegistration> self(this);
    scheduler_(kRetryDelayMs, [self] {
        if (self) self->attempt();
    });
}
