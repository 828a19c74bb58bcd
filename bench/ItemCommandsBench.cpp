// The item commands on a group of 10,000 items, through the main window's command table as a menu
// click runs them: the lookup, the document change and the refill of the item list.
#include <benchmark/benchmark.h>

#include <QDialog>
#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "diag/Prompter.h"
#include "items/ui/CEditDialog.h"
#include "items/ui/CZetrovaView.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "support/Documents.h"

namespace {

constexpr int kItems = 10000;

// Answers every question with Yes and every edit dialog with OK and the name it is given.
class AnsweringPrompter : public Prompter {
public:
    QString name = QStringLiteral("new item");

    int messageBox(QObject*, MessageIcon icon, const QString&, const QString&) override {
        return icon == MessageIcon::Question ? kAnswerYes : kAnswerOk;
    }
    int runDialog(QDialog& dialog) override {
        auto* edit = dynamic_cast<CEditDialog*>(&dialog);
        if (!edit) return 2;
        edit->name = name;
        edit->value = QStringLiteral("value of the new item");
        return 1;
    }
    std::optional<QString> openFileName(const FileDialogRequest&) override { return {}; }
    std::optional<QString> saveFileName(const FileDialogRequest&) override { return {}; }
    void setClipboardText(const QString&, bool) override {}
    int openDocument(const QString&) override { return 0; }
};

// A shown main window whose current group "big" holds 10,000 items (one in five secret); the
// group "small" beside it holds one item.
struct BigGroupWindow {
    AnsweringPrompter prompter;
    ScopedPrompter installed{prompter};
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    XmlNode big;
    XmlNode small;

    BigGroupWindow() {
        CMainFrame::Services services;
        services.startDirectory = dir.path();
        frame = std::make_unique<CMainFrame>(std::move(services));
        frame->resize(800, 600);
        frame->show();

        Workspace& ws = frame->workspace();
        XmlDocument doc = schema::CreateNewDocument();
        const XmlNode root = doc.documentElement();
        big = Add(root, schema::kGroup, QStringLiteral("big"));
        for (int i = 0; i < kItems; ++i)
            Add(big, i % 5 ? schema::kItem : schema::kSecret,
                QStringLiteral("item%1").arg(i, 6, 10, QChar(u'0')),
                QStringLiteral("value %1 パスワード").arg(i));
        small = Add(root, schema::kGroup, QStringLiteral("small"));
        Add(small, schema::kItem, QStringLiteral("pasted"), QStringLiteral("v"));
        ws.doc().document = doc;
        ws.doc().root = root;
        ws.ResetViews();
        ws.SetCurrentGroup(frame->groupTree()->topLevelItem(0)->child(0));
    }

    Workspace& ws() { return frame->workspace(); }
    CZetrovaView* list() { return frame->itemList(); }
    void run(int id) { frame->dispatchCommand(id); }
};

void BM_AddItem(benchmark::State& state) {
    BigGroupWindow w;
    for (auto _ : state) {
        w.run(CommandId::ItemAdd);
        state.PauseTiming();
        w.big.removeChild(w.big.selectSingleNode(QStringLiteral("item[@name='new item']")));
        state.ResumeTiming();
    }
    state.counters["rows"] = w.list()->rowCount();
}
BENCHMARK(BM_AddItem)->Unit(benchmark::kMillisecond);

// The add that answers the replace question with Yes, for a name in the middle of the group.
void BM_AddReplacingItem(benchmark::State& state) {
    BigGroupWindow w;
    w.prompter.name = QStringLiteral("item005000");
    for (auto _ : state) w.run(CommandId::ItemAdd);
    state.counters["rows"] = w.list()->rowCount();
}
BENCHMARK(BM_AddReplacingItem)->Unit(benchmark::kMillisecond);

// Deletes the item in the middle of the list (the question answered Yes); it comes back at the end
// of the group, out of the timing, so the group keeps its size.
void BM_DeleteItem(benchmark::State& state) {
    BigGroupWindow w;
    for (auto _ : state) {
        state.PauseTiming();
        w.list()->selectRow(kItems / 2);
        const QString name = w.list()->cellText(kItems / 2, 0);
        state.ResumeTiming();
        w.run(CommandId::ItemDelete);
        state.PauseTiming();
        Add(w.big, schema::kItem, name, QStringLiteral("v"));
        state.ResumeTiming();
    }
    state.counters["rows"] = w.list()->rowCount();
}
BENCHMARK(BM_DeleteItem)->Unit(benchmark::kMillisecond);

void BM_PasteItem(benchmark::State& state) {
    BigGroupWindow w;
    QTreeWidgetItem* bigItem = w.ws().currentGroupItem();
    w.ws().SetCurrentGroup(w.frame->groupTree()->topLevelItem(0)->child(1));
    w.list()->selectRow(0);
    w.run(CommandId::ItemCopy);
    w.ws().SetCurrentGroup(bigItem);
    for (auto _ : state) {
        w.run(CommandId::ItemPaste);
        state.PauseTiming();
        w.big.removeChild(w.big.selectSingleNode(QStringLiteral("item[@name='pasted']")));
        state.ResumeTiming();
    }
    state.counters["rows"] = w.list()->rowCount();
}
BENCHMARK(BM_PasteItem)->Unit(benchmark::kMillisecond);

}  // namespace
