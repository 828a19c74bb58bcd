#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/CMainFrame.h"
#include "app/NotifyIcon.h"
#include "app/NotifyRegistration.h"
#include "model/XmlDocument.h"
#include "model/ui/Workspace.h"
#include "storage/ui/CInKeyDlg.h"

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

// Makes the XML text the workspace's document and rebuilds the views, as after opening a file.
inline void LoadDocument(Workspace& ws, const char* xml) {
    XmlParseResult parsed = XmlDocument::parseBytes(QByteArray(xml));
    ASSERT_TRUE(parsed.ok()) << parsed.errorMessage.toStdString();
    ws.doc().document = parsed.document;
    ws.doc().root = parsed.document.documentElement();
    ws.ResetViews();
}

// The tree item reached from the first top-level item (the root group's) by the labels below it;
// nullptr when a label is missing.
inline QTreeWidgetItem* TreeItemByLabels(const QTreeWidget* tree, const QStringList& labels) {
    QTreeWidgetItem* at = tree->topLevelItem(0);
    for (const QString& label : labels) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; at && i < at->childCount() && !next; ++i)
            if (at->child(i)->text(0) == label) next = at->child(i);
        at = next;
    }
    return at;
}

// Answers the next key dialog with the typed key and OK.
template <class Prompter>
void AnswerKey(Prompter& prompter, const QString& key) {
    prompter.template answerDialog<CInKeyDlg>([key](CInKeyDlg& d) {
        d.key = key;
        return 1;
    });
}
