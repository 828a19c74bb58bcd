// What keeping versions costs: a save of a 100,000-item document that keeps the file it replaces
// (a hard link and the pruning) against the same save with versions off, and listing 200
// versions with their summaries against the document.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "model/Schema.h"
#include "storage/DataFile.h"
#include "storage/DataFileVersions.h"
#include "storage/KeyVerifier.h"
#include "storage/ui/VersionsCommand.h"
#include "support/Documents.h"

namespace {

const QString kVerifier = MakeKeyVerifier(QStringLiteral("Zetrova!"));

DocumentState StateOf(const XmlDocument& document) {
    DocumentState state;
    state.document = document;
    state.root = document.documentElement();
    state.keyVerifier = kVerifier;
    return state;
}

// Saves of two alternating versions of a 100,000-item document to one data file, so that every
// save replaces other bytes: arg 0 with versions off, arg 1 with the default policy.
void BM_SaveKeepingVersions(benchmark::State& state) {
    QTemporaryDir dir;
    VersionPolicy policy;
    policy.folder = dir.filePath(QStringLiteral("versions"));
    if (state.range(0) == 0) policy.keep = 0;
    SetVersionPolicy(policy);
    DocumentState first = StateOf(ThousandGroupsOfItems());
    DocumentState second = StateOf(ThousandGroupsOfItems(QStringLiteral("renamed")));
    const QString path = dir.filePath(QStringLiteral("Zetrova.dat"));
    bool odd = false;
    for (auto _ : state) {
        if (!SaveDataFile(odd ? first : second, path, false, nullptr))
            state.SkipWithError("save failed");
        odd = !odd;
    }
    state.counters["versions"] = static_cast<double>(ListVersions(path, policy).size());
    SetVersionPolicy(VersionPolicy());
}
BENCHMARK(BM_SaveKeepingVersions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A document of groups and items, n groups of 10 items, the k-th version of it with one item valued
// k changed: what a list of versions of one data file looks like.
XmlDocument VersionOf(int groups, int k) {
    XmlDocument doc = schema::CreateNewDocument();
    for (int g = 0; g < groups; ++g) {
        XmlNode group = AddGroup(doc.documentElement(), QStringLiteral("group%1").arg(g));
        for (int i = 0; i < 10; ++i)
            AddItem(
                group, QStringLiteral("item%1").arg(i),
                QStringLiteral("value %1 %2").arg(g * 10 + i == k % (groups * 10) ? k : 0).arg(i),
                i % 3 == 0);
    }
    return doc;
}

// 200 versions of a document of range(0) items: the list with every summary, as the dialog
// fills it.
void BM_ListVersionsWithSummaries(benchmark::State& state) {
    QTemporaryDir dir;
    VersionPolicy policy;
    policy.folder = dir.filePath(QStringLiteral("versions"));
    policy.keep = 1000;
    SetVersionPolicy(policy);
    const int groups = static_cast<int>(state.range(0) / 10);
    const QString path = dir.filePath(QStringLiteral("Zetrova.dat"));
    for (int k = 0; k <= 200; ++k) {
        DocumentState saved = StateOf(VersionOf(groups, k));
        SaveDataFile(saved, path, false, nullptr);
    }
    const XmlDocument now = VersionOf(groups, 500);
    for (auto _ : state) {
        VersionBrowser browser(path, now, kVerifier, policy);
        if (browser.count() != 200) state.SkipWithError("not 200 versions");
        for (int i = 0; i < browser.count(); ++i) benchmark::DoNotOptimize(browser.summary(i));
    }
    SetVersionPolicy(VersionPolicy());
}
BENCHMARK(BM_ListVersionsWithSummaries)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond);

// The list alone, before any summary: what the dialog shows at once, for the 100,000-item
// document's versions.
void BM_ListVersionsOnly(benchmark::State& state) {
    QTemporaryDir dir;
    VersionPolicy policy;
    policy.folder = dir.filePath(QStringLiteral("versions"));
    policy.keep = 1000;
    const QString path = dir.filePath(QStringLiteral("Zetrova.dat"));
    SetVersionPolicy(policy);
    DocumentState saved = StateOf(ThousandGroupsOfItems());
    SaveDataFile(saved, path, false, nullptr);
    // Copies of the one data file under 200 version names: their size is what matters here.
    const QString folder = VersionFolderOf(path, policy);
    QDir().mkpath(folder);
    for (int k = 1; k <= 200; ++k)
        QFile::copy(path, folder + QStringLiteral("/20261210T000000.000Z-%1.dat").arg(k));
    for (auto _ : state) {
        VersionBrowser browser(path, saved.document, kVerifier, policy);
        for (int i = 0; i < browser.count(); ++i) benchmark::DoNotOptimize(browser.timeText(i));
    }
    state.counters["versions"] = static_cast<double>(ListVersions(path, policy).size());
    SetVersionPolicy(VersionPolicy());
}
BENCHMARK(BM_ListVersionsOnly)->Unit(benchmark::kMillisecond);

}  // namespace
