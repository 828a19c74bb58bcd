// The lock on a document of 100,000 items in 1,000 groups: locking (serialise, encrypt in memory,
// free the document and the tree), unlocking (decrypt, parse, tree built again, the open branches
// and the current group restored), against opening the same document from its data file (read,
// decrypt, parse, tree built).
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <random>
#include <vector>

#include "model/Schema.h"
#include "model/ui/GroupTreeWidget.h"
#include "model/ui/Workspace.h"
#include "storage/DataFile.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/DocumentLock.h"
#include "support/Documents.h"

namespace {

XmlDocument HundredThousandItems() {
    std::mt19937 rng(20261210);
    XmlDocument doc = schema::CreateNewDocument();
    std::vector<XmlNode> parents{doc.documentElement()};
    std::vector<XmlNode> groups;
    for (int g = 0; g < 1000; ++g) {
        const XmlNode parent = parents[rng() % parents.size()];
        XmlNode group = Add(parent, schema::kGroup, QStringLiteral("group%1").arg(g));
        groups.push_back(group);
        if (g < 300) parents.push_back(group);
    }
    for (int i = 0; i < 100000; ++i)
        Add(groups[static_cast<std::size_t>(i / 100)], i % 10 ? schema::kItem : schema::kSecret,
            QStringLiteral("item%1").arg(i, 6, 10, QChar(u'0')),
            QStringLiteral("value %1 パスワード %2").arg(i).arg(rng()));
    return doc;
}

// A verifier of its own for every use: the lock wipes the held one, with every string sharing it.
QString Verifier() {
    return MakeKeyVerifier(QStringLiteral("Zetrova!"));
}

struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Zetrova.dat"));
    GroupTreeWidget tree;
    Workspace ws{&tree, nullptr};

    Fixture() {
        DocumentState state;
        state.document = HundredThousandItems();
        state.root = state.document.documentElement();
        state.keyVerifier = Verifier();
        state.dataFilePath = path;
        SaveDataFile(state, path, false, nullptr);
        ws.ReplaceDocument(state);
        tree.topLevelItem(0)->setExpanded(true);
        ws.SetCurrentGroup(tree.topLevelItem(0)->child(0));
    }
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

// Opening: the data file read, decrypted and parsed, the tree built.
void BM_OpenDocument(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        DocumentState loaded = f.ws.doc();
        const AskKeyFn key = [](QString& out) {
            out = Verifier();
            return true;
        };
        if (!LoadDataFile(loaded, f.path, key)) state.SkipWithError("load failed");
        f.ws.ReplaceDocument(loaded);
    }
}
BENCHMARK(BM_OpenDocument)->Unit(benchmark::kMillisecond);

void BM_Lock(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        LockedDocument locked;
        LockWorkspace(f.ws, locked);
        state.PauseTiming();
        if (locked.cipher.empty()) state.SkipWithError("nothing was encrypted");
        UnlockWorkspace(f.ws, locked, Verifier());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Lock)->Unit(benchmark::kMillisecond);

void BM_Unlock(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        LockedDocument locked;
        LockWorkspace(f.ws, locked);
        state.ResumeTiming();
        const QString verifier = Verifier();
        if (locked.cipher.empty() || !UnlockWorkspace(f.ws, locked, verifier))
            state.SkipWithError("unlock failed");
    }
}
BENCHMARK(BM_Unlock)->Unit(benchmark::kMillisecond);

}  // namespace
