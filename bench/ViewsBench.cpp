// The main window's views on large documents, and start-up without a data file.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTreeWidgetItem>

#include "app/CMainFrame.h"
#include "diag/Prompter.h"
#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemListFill.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "support/Documents.h"

namespace {

// 10,000 groups: 100 under the root, each holding 99 more in two levels.
XmlDocument TenThousandGroups() {
    XmlDocument doc = schema::CreateNewDocument();
    const XmlNode root = doc.documentElement();
    int n = 1;
    for (int i = 0; i < 100; ++i) {
        XmlNode top = Add(root, schema::kGroup, QStringLiteral("group%1").arg(n++));
        for (int j = 0; j < 9; ++j) {
            XmlNode mid = Add(top, schema::kGroup, QStringLiteral("group%1").arg(n++));
            for (int k = 0; k < 10; ++k)
                Add(mid, schema::kGroup, QStringLiteral("group%1").arg(n++));
        }
    }
    return doc;
}

void BM_FillGroupTree(benchmark::State& state) {
    const XmlDocument doc = TenThousandGroups();
    GroupTreeWidget tree;
    tree.resize(300, 600);
    tree.show();
    for (auto _ : state) RebuildGroupTree(&tree, doc.documentElement());
    state.counters["items"] = tree.topLevelItem(0)->childCount();
}
BENCHMARK(BM_FillGroupTree)->Unit(benchmark::kMillisecond);

void BM_FillItemList(benchmark::State& state) {
    XmlDocument doc = schema::CreateNewDocument();
    const XmlNode root = doc.documentElement();
    const XmlNode group = Add(root, schema::kGroup, QStringLiteral("big"));
    for (int i = 0; i < 10000; ++i)
        Add(group, i % 5 ? schema::kItem : schema::kSecret,
            QStringLiteral("item%1").arg(i, 6, 10, QChar(u'0')),
            QStringLiteral("value %1 パスワード").arg(i));
    GroupTreeWidget tree;
    CZetrovaView list;
    list.resize(600, 600);
    list.show();
    Workspace ws(&tree, nullptr);
    ws.doc().document = doc;
    ws.doc().root = root;
    RebuildGroupTree(&tree, root);
    ws.SetCurrentGroup(tree.topLevelItem(0)->child(0));
    for (auto _ : state) FillItemList(ws, &list);
    state.counters["rows"] = list.rowCount();
}
BENCHMARK(BM_FillItemList)->Unit(benchmark::kMillisecond);

// From nothing to a shown main window, with no settings and no data file.
void BM_StartUp(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        CMainFrame::Services services;
        services.startDirectory = dir.path();
        CMainFrame frame(std::move(services));
        frame.showAtStart();
        benchmark::DoNotOptimize(frame.isVisible());
    }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

}  // namespace
