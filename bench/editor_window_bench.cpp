// The configuration editor's window on the offscreen platform over the in-process panel: connecting,
// reading and showing the first page, and switching pages. The protocol's own waits run on a virtual clock,
// so what is measured is the host's time; the clock's total is reported as the waits a real panel adds.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "bench/silentdialogs.h"
#include "devlink/panellink.h"
#include "editor/zdevsettingsform.h"
#include "memmap/memmap.h"
#include "sim/factoryimage.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

namespace fs = std::filesystem;
using namespace mirca;

const fs::path kBin = MIRCA_BIN_DIR;

struct TRig {
    TRig() {
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        map = std::make_unique<TZelmoMemoryMap>(kBin / "drv_base" / "937_d_6_4.xml");
        sim::LoadFactoryMap(panel, *map);
        TEditorSetup setup;
        setup.dialogs = &dialogs;
        const fs::path work = fs::temp_directory_path() / "mirca-editor-bench";
        setup.paths = [work] { return TEditorPaths{kBin, kBin / "drv_base", work / "conf", work / "reg"}; };
        setup.link = [this] {
            return std::make_unique<TPanelLink>(std::make_unique<sim::TSimPort>(panel, &clock), clock);
        };
        setup.sleeper = &clock;
        form = std::make_unique<TZDevSettingsForm>(std::move(setup));
        form->show();
        // The benchmarks connect by themselves; the window's own connect half a second later would rebuild
        // the tree under them.
        form->findChild<QTimer*>(QStringLiteral("OnlineTimer"))->stop();
    }
    ~TRig() { form->close(); }
    // Connects at once, as the connect command does, and gives the settings tree it built.
    QTreeWidget* ConnectNow() {
        QCoreApplication::processEvents();
        QAction* connect = form->findChild<QAction*>(QStringLiteral("MenuConnectAction"));
        connect->setEnabled(true);
        connect->trigger();
        return form->findChild<QTreeWidget*>(QStringLiteral("DevSettingsTV"));
    }
    bool Connected() const {
        return form->findChild<QLabel*>(QStringLiteral("StatusPanel5"))->text().toStdString() == Msg(25);
    }

    TVirtualClock clock;
    sim::TSimPanel panel;
    std::unique_ptr<TZelmoMemoryMap> map;
    mirca::bench::TSilentDialogs dialogs;
    std::unique_ptr<TZDevSettingsForm> form;
};

// Connect, read the whole configuration, build the Y-649 tree and show its first page, as the online
// timer does it; the timer's own half second is not counted.
void BM_EditorConnectReadFirstPage(benchmark::State& state) {
    TRig rig;
    QAction* disconnect = rig.form->findChild<QAction*>(QStringLiteral("MenuDisconnectAction"));
    QAction* connect = rig.form->findChild<QAction*>(QStringLiteral("MenuConnectAction"));
    double waitsMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        disconnect->setEnabled(true);
        disconnect->trigger();
        const double before = rig.clock.NowMs();
        state.ResumeTiming();
        connect->setEnabled(true);
        connect->trigger();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (!rig.Connected()) state.SkipWithError("the panel did not connect");
        waitsMs = rig.clock.NowMs() - before;
        state.ResumeTiming();
    }
    state.counters["protocol_waits_ms"] = waitsMs;
}
BENCHMARK(BM_EditorConnectReadFirstPage)->Unit(benchmark::kMillisecond);

// Leaving a page (its commit) and showing the next (its fill and tip), round the whole Y-649 tree.
void BM_EditorSwitchPage(benchmark::State& state) {
    TRig rig;
    QTreeWidget* tree = rig.ConnectNow();
    std::vector<QTreeWidgetItem*> nodes;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        nodes.push_back(*it);
    if (nodes.size() < 2) state.SkipWithError("no tree");
    std::size_t i = 0;
    for (auto _ : state) {
        tree->setCurrentItem(nodes[i++ % nodes.size()]);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_EditorSwitchPage)->Unit(benchmark::kMicrosecond);

// One page's fill (its node selected) and commit (the node left for a choice page), for each page bound to
// the configuration, on the Y-649 panel. Both switches count their tip page too.
const char* const kBoundPages[] = {
    "YMainSettingsTS",      "YNoticeStatusTS",       "YCodesTS",
    "RRiRelayTS",           "YSysOutsAssignInSysTS", "YAssignsSysOutsInObjectsTS",
    "YAssignsIIinObjectsTS"};

void BM_EditorPageFillCommit(benchmark::State& state) {
    TRig rig;
    QTreeWidget* tree = rig.ConnectNow();
    const std::string page = kBoundPages[state.range(0)];
    state.SetLabel(page);
    const std::string awayPage = page == "RRiRelayTS" ? "YNoticeStatusTS" : "RRiRelayTS";
    QTreeWidgetItem* node = nullptr;
    QTreeWidgetItem* first = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        tree->setCurrentItem(*it);
        if (rig.form->VisiblePage() == page && !node) node = *it;
        if (rig.form->VisiblePage() == awayPage && !first) first = *it;
    }
    if (!node || !first) state.SkipWithError("the page is not in the tree");
    for (auto _ : state) {
        tree->setCurrentItem(first);
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        tree->setCurrentItem(node);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_EditorPageFillCommit)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

}  // namespace
