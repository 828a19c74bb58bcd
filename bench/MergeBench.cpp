// Merging two versions of a large document: 100,000 items in 1,000 groups, 1,000 changes on
// each side (values changed, items added and deleted, a few items changed on both sides); and
// many conflicts of one name.
#include <benchmark/benchmark.h>

#include <vector>

#include "model/DocumentMerge.h"
#include "model/Schema.h"
#include "support/Documents.h"

namespace {

std::vector<XmlNode> Items(const XmlDocument& doc) {
    const QList<XmlNode> items = doc.selectNodes(QStringLiteral("//item|//secret"));
    return {items.begin(), items.end()};
}

// 1,000 changes spread over the document, starting at `offset`: 600 values changed, 200 items
// added beside others, 200 deleted. Ours and theirs use offsets that meet on a few items, which
// both sides then change differently.
XmlDocument Changed(const XmlDocument& base, int offset, const QString& side) {
    XmlDocument doc = XmlDocument::createEmpty();
    doc.appendChild(base.documentElement());
    const std::vector<XmlNode> items = Items(doc);
    for (int change = 0; change < 1000; ++change) {
        const XmlNode item = items[(offset + change * 97) % items.size()];
        if (change % 5 < 3) {
            item.setText(side + QString::number(change));
        } else if (change % 5 == 3) {
            Add(item.parent(), schema::kItem, side + QString::number(change), side);
        } else if (item.isInTree()) {
            item.parent().removeChild(item);
        }
    }
    return doc;
}

void BM_MergeThreeWay(benchmark::State& state) {
    const XmlDocument base = ThousandGroupsOfItems();
    const XmlDocument ours = Changed(base, 0, QStringLiteral("ours"));
    const XmlDocument theirs = Changed(base, 97 * 990, QStringLiteral("theirs"));
    qsizetype conflicts = 0;
    for (auto _ : state) {
        MergeResult merged = MergeDocuments(base, ours, theirs);
        conflicts = merged.conflicts.size();
        benchmark::DoNotOptimize(merged);
    }
    state.counters["conflicts"] = static_cast<double>(conflicts);
}
BENCHMARK(BM_MergeThreeWay)->Unit(benchmark::kMillisecond);

void BM_MergeTwoWay(benchmark::State& state) {
    const XmlDocument base = ThousandGroupsOfItems();
    const XmlDocument ours = Changed(base, 0, QStringLiteral("ours"));
    const XmlDocument theirs = Changed(base, 97 * 990, QStringLiteral("theirs"));
    for (auto _ : state) benchmark::DoNotOptimize(MergeDocuments(XmlDocument(), ours, theirs));
}
BENCHMARK(BM_MergeTwoWay)->Unit(benchmark::kMillisecond);

// n items of one name in one group on each side, every pair holding different values: n
// conflicts whose copies all want the same conflict name. Sizes 1x, 2x, 4x; the counter is the
// merged document's text in characters.
void BM_MergeSameNamedConflicts(benchmark::State& state) {
    const auto n = static_cast<int>(state.range(0));
    const auto side = [n](const QString& prefix) {
        XmlDocument doc = BuildDocument({});
        for (int i = 0; i < n; ++i)
            AddItem(doc.documentElement(), QStringLiteral("email"), prefix + QString::number(i));
        return doc;
    };
    const XmlDocument ours = side(QStringLiteral("ours"));
    const XmlDocument theirs = side(QStringLiteral("theirs"));
    qsizetype size = 0;
    for (auto _ : state) {
        MergeResult merged = MergeDocuments(XmlDocument(), ours, theirs);
        state.PauseTiming();
        size = merged.document.serialize(QStringLiteral("utf-16")).size() / 2;
        state.ResumeTiming();
    }
    state.counters["chars"] = static_cast<double>(size);
    state.SetComplexityN(n);
}
BENCHMARK(BM_MergeSameNamedConflicts)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace
