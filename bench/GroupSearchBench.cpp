// The group search on a large document: 100,000 items in 1,000 groups.
#include <benchmark/benchmark.h>

#include <QTreeWidgetItem>

#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemListFill.h"
#include "model/Schema.h"
#include "model/ui/GroupTreeView.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/SearchCommands.h"
#include "model/ui/Workspace.h"
#include "support/Documents.h"

namespace {

// 1,000 groups of 100 items; the first group is "Needle", the only name that holds "needle" in any
// case.
XmlDocument ThousandGroups() {
    return ThousandGroupsOfItems(QStringLiteral("Needle"));
}

// F3 on the only matching group, which is the first group of the document: the search walks
// every group after it with all their descendants, then wraps around and searches the whole
// document from the top, where it finds the current group again. Selecting it and refilling the
// item list are included.
void BM_FindNextGroupWrap(benchmark::State& state) {
    GroupTreeWidget tree;
    tree.resize(300, 600);
    tree.show();
    CZetrovaView list;
    Workspace ws(&tree, nullptr);
    QObject::connect(&ws, &Workspace::itemsChanged, [&ws, &list] { FillItemList(ws, &list); });
    ws.doc().document = ThousandGroups();
    ws.doc().root = ws.doc().document.documentElement();
    ws.RebuildTree();
    QTreeWidgetItem* needle = tree.topLevelItem(0)->child(0);
    ws.groupSearch().text = QStringLiteral("needle");
    for (auto _ : state) {
        state.PauseTiming();
        ws.SetCurrentGroup(needle);
        state.ResumeTiming();
        FindNextGroup(ws, ws.groupSearch().text);
    }
    if (ws.currentGroupItem() != needle || list.rowCount() != 100)
        state.SkipWithError("the search did not come back to the current group");
    state.counters["groups"] = static_cast<double>(ws.doc().root.selectNodes(".//group").size());
}
BENCHMARK(BM_FindNextGroupWrap)->Unit(benchmark::kMillisecond);

}  // namespace
