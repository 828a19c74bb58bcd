// The item search on 100,000 items (1,000 groups of 100, valued "value <n> パスワード"): building
// the index of folded names and values, matching a query of 1, 2 and 3 characters, refilling the
// results list, and one whole keystroke (match and refill, painted), each against the frame time of
// 16 ms.
#include <benchmark/benchmark.h>

#include <QLineEdit>
#include <QTreeView>

#include "items/ui/CZetrovaView.h"
#include "items/ui/ItemSearchModel.h"
#include "items/ui/ItemSearchPane.h"
#include "model/ItemSearch.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "support/Documents.h"

namespace {

// Queries of 1, 2 and 3 characters: digits match some of the names, kana nine in ten values (the
// secrets' values are not searched).
const char16_t* const kQueries[] = {u"1", u"12", u"123", u"ぱ", u"ぱす", u"ぱすわ"};

QString Query(const benchmark::State& state) {
    return QString::fromUtf16(kQueries[state.range(0)]);
}

const XmlDocument& Document() {
    static const XmlDocument doc = ThousandGroupsOfItems();
    return doc;
}

void BM_ItemSearchIndexBuild(benchmark::State& state) {
    ItemSearchIndex index;
    for (auto _ : state) index.build(Document().documentElement());
    state.counters["items"] = index.size();
}
BENCHMARK(BM_ItemSearchIndexBuild)->Unit(benchmark::kMillisecond);

void BM_ItemSearchMatch(benchmark::State& state) {
    ItemSearchIndex index;
    index.build(Document().documentElement());
    const QStringList words = SearchWords(Query(state));
    std::size_t found = 0;
    for (auto _ : state) found = index.match(words).size();
    state.SetLabel(Query(state).toStdString());
    state.counters["found"] = double(found);
}
BENCHMARK(BM_ItemSearchMatch)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// The results list given new rows, laid out and painted.
void BM_ItemSearchRefill(benchmark::State& state) {
    ItemSearchIndex index;
    index.build(Document().documentElement());
    const std::vector<int> rows = index.match(SearchWords(Query(state)));
    ItemSearchModel model(index);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(600, 600);
    view.show();
    for (auto _ : state) {
        model.setRows({});
        model.setRows(rows);
        view.doItemsLayout();
        view.viewport()->repaint();
    }
    state.SetLabel(Query(state).toStdString());
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_ItemSearchRefill)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// One keystroke in the main window's search field: from the group's list to the results of the
// query, matched without an earlier result to narrow, shown and painted.
void BM_ItemSearchKeystroke(benchmark::State& state) {
    GroupTreeWidget tree;
    auto* list = new CZetrovaView;
    ItemSearchPane pane(list);
    Workspace ws(&tree, nullptr);
    ws.doc().document = Document();
    ws.doc().root = Document().documentElement();
    pane.setWorkspace(&ws);
    pane.resize(600, 600);
    pane.show();
    const QString query = Query(state);
    pane.field()->setText(query);  // the index is built by the first search
    for (auto _ : state) {
        pane.field()->clear();
        pane.field()->setText(query);
        pane.resultsView()->doItemsLayout();
        pane.resultsView()->viewport()->repaint();
    }
    state.SetLabel(query.toStdString());
    state.counters["rows"] = pane.results().rowCount();
}
BENCHMARK(BM_ItemSearchKeystroke)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

}  // namespace
