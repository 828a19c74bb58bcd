#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "CMainFrame.h"
#include "NotifyIcon.h"
#include "NotifyRegistration.h"

// A notification icon whose answers the test scripts; counts the requests it gets.
class FakeNotifyIcon : public NotifyIcon {
public:
    std::deque<int> addResults;
    int laterAdds = kOk;
    std::deque<int> modifyResults;
    int laterModifies = kNoNotificationArea;
    int adds = 0;
    int modifies = 0;
    int removes = 0;

    int add() override {
        ++adds;
        return Take(addResults, laterAdds);
    }
    int modify() override {
        ++modifies;
        return Take(modifyResults, laterModifies);
    }
    int remove() override {
        ++removes;
        return kOk;
    }
    void pressLeft() { leftPressed(); }

private:
    static int Take(std::deque<int>& queue, int later) {
        if (queue.empty()) return later;
        const int v = queue.front();
        queue.pop_front();
        return v;
    }
};

// Holds the retries instead of waiting: the test runs them when it likes.
class ManualScheduler {
public:
    NotifyRegistration::Scheduler scheduler() {
        return [this](int delayMs, std::function<void()> task) {
            delays.push_back(delayMs);
            pending_.push_back(std::move(task));
        };
    }
    bool runNext() {
        if (pending_.empty()) return false;
        auto task = std::move(pending_.front());
        pending_.pop_front();
        task();
        return true;
    }
    int runAll() {
        int n = 0;
        while (runNext()) ++n;
        return n;
    }
    std::size_t pending() const { return pending_.size(); }
    std::vector<int> delays;

private:
    std::deque<std::function<void()>> pending_;
};

// A main window with a scripted icon, manual retries and a recorded exit code.
struct FrameHarness {
    FakeNotifyIcon* icon = nullptr;
    ManualScheduler retries;
    std::vector<int> quitCodes;
    std::unique_ptr<CMainFrame> frame;

    // iconWorks false: every add and modify request fails (no notification area).
    explicit FrameHarness(bool iconWorks = true,
                          const QString& startDirectory = QStringLiteral("/nonexistent")) {
        auto fake = std::make_unique<FakeNotifyIcon>();
        icon = fake.get();
        if (!iconWorks) icon->laterAdds = NotifyIcon::kNoNotificationArea;
        CMainFrame::Services services;
        services.notifyIcon = std::move(fake);
        services.retryScheduler = retries.scheduler();
        services.startDirectory = startDirectory;
        services.quit = [this](int code) { quitCodes.push_back(code); };
        frame = std::make_unique<CMainFrame>(std::move(services));
    }
};
