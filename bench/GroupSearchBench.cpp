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

namespace {

XmlNode AddNamed(const XmlNode& parent, const char16_t* kind, const QString& name) {
    XmlNode e = parent.document().createElement(QStringView(kind));
    e.setAttribute(schema::kName, name);
    return parent.appendChild(e);
}

// 10 groups under the root group, 9 below each of them and 10 below each of those: 1,000 groups,
// each holding 100 items (one in ten secret). The first group is "Needle", the only name that
// holds "needle" in any case.
XmlDocument ThousandGroups() {
    XmlDocument doc = schema::CreateNewDocument();
    int n = 0;
    int items = 0;
    auto addGroup = [&](const XmlNode& parent) {
        XmlNode g = AddNamed(parent, schema::kGroup,
                             n == 0 ? QStringLiteral("Needle") : QStringLiteral("group%1").arg(n));
        ++n;
        for (int i = 0; i < 100; ++i, ++items) {
            XmlNode item = AddNamed(g, i % 10 ? schema::kItem : schema::kSecret,
                                    QStringLiteral("item%1").arg(items, 6, 10, QChar(u'0')));
            item.setText(QStringLiteral("value %1 パスワード").arg(items));
        }
        return g;
    };
    for (int i = 0; i < 10; ++i) {
        XmlNode top = addGroup(doc.documentElement());
        for (int j = 0; j < 9; ++j) {
            XmlNode mid = addGroup(top);
            for (int k = 0; k < 10; ++k) addGroup(mid);
        }
    }
    return doc;
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
    ws.doc.document = ThousandGroups();
    ws.doc.root = ws.doc.document.documentElement();
    ws.rebuildTree();
    QTreeWidgetItem* needle = tree.topLevelItem(0)->child(0);
    ws.searchText = QStringLiteral("needle");
    for (auto _ : state) {
        state.PauseTiming();
        ws.setCurrentGroup(needle);
        state.ResumeTiming();
        FindNextGroup(ws, ws.searchText);
    }
    if (ws.currentGroupItem() != needle || list.rowCount() != 100)
        state.SkipWithError("the search did not come back to the current group");
    state.counters["groups"] = static_cast<double>(ws.doc.root.selectNodes(".//group").size());
}
BENCHMARK(BM_FindNextGroupWrap)->Unit(benchmark::kMillisecond);

}  // namespace
