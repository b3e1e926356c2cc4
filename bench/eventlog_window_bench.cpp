// The event log window offscreen over the in-process panel: filling the list with decoded rows, and each
// filter end to end (query through the database, then the list).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/catalogue.h"
#include "bench/silentdialogs.h"
#include "devlink/panellink.h"
#include "eventlog/logrows.h"
#include "eventlog/reader.h"
#include "eventlog/zmstoreform.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

namespace fs = std::filesystem;
using namespace mirca;

const fs::path kBin = MIRCA_BIN_DIR;

// A window that has read a log of the given size from the panel: the database holds it.
struct TLogRig {
    explicit TLogRig(std::uint32_t records) {
        Catalogue().LoadCatalogue(kBin / "drv_base" / "Messages.xml", "RU", "");
        sim::TEventLogSetup log;
        log.records = records;
        panel.SetEventLog(log);
        work = fs::temp_directory_path() / ("mirca-log-bench-" + std::to_string(records));
        fs::remove_all(work);
        TLogSetup setup;
        setup.dialogs = &dialogs;
        setup.paths = [this] { return TLogPaths{kBin, work / "report", work / "meslog.db"}; };
        setup.link = [this] {
            return std::make_unique<TPanelLink>(std::make_unique<sim::TSimPort>(panel, &clock), clock);
        };
        setup.sleeper = &clock;
        form = std::make_unique<TZMStoreForm>(std::move(setup));
        form->show();
        form->Session()->ReadLog();
        // The same log once more, for the fill benchmark's own reader.
        sim::TSimPort port(panel, &clock);
        port.Open();
        reader = std::make_unique<TEventLogReader>(&port, &clock);
        ok = reader->ReadIdentity() && reader->ReadLog() && form->RowCount() > 0;
        port.Close();
    }
    ~TLogRig() {
        form->close();
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }

    TVirtualClock clock;
    sim::TSimPanel panel;
    fs::path work;
    bench::TSilentDialogs dialogs;
    std::unique_ptr<TZMStoreForm> form;
    std::unique_ptr<TEventLogReader> reader;
    bool ok = false;
};

// Decoded rows into the list, with the window's progress, until the list has been laid out and painted.
void BM_LogFillList(benchmark::State& state) {
    TLogRig rig(static_cast<std::uint32_t>(state.range(0)));
    if (!rig.ok) state.SkipWithError("the log was not read");
    std::vector<TLogRow> rows;
    for (auto _ : state) {
        rows = ListRows(*rig.reader, &rig.form->Gauge());
        rig.form->ShowRows(rows);
        QCoreApplication::processEvents();
    }
    state.counters["rows"] = rig.form->RowCount();
}
BENCHMARK(BM_LogFillList)->Arg(1400)->Arg(65535)->Unit(benchmark::kMillisecond);

// Each filter kind, and the combined one, through the session: the query's text, the database, the list.
void BM_LogFilter(benchmark::State& state) {
    static std::unique_ptr<TLogRig> rig;
    if (!rig) rig = std::make_unique<TLogRig>(65535);
    if (!rig->ok) state.SkipWithError("the log was not read");
    TLogFilter filter;
    const int kind = static_cast<int>(state.range(0));
    filter.selected = kind < TLogFilter::kItems ? kind : -1;
    filter.from = "01.01.2000";
    filter.to = "31.12.2099";
    filter.types[2] = filter.types[10] = true;
    filter.object = "5";
    filter.uoo = "3";
    filter.uop = "2";
    if (kind == TLogFilter::kItems) {
        filter.combined = true;
        filter.checked = {true, true, false, false, false};
    }
    for (auto _ : state) {
        rig->form->Session()->ShowAll();
        rig->form->Session()->Filter(filter);
        QCoreApplication::processEvents();
    }
    state.SetLabel(kind == TLogFilter::kItems ? "combined" : std::to_string(kind));
    if (kind == TLogFilter::kItems) rig.reset();
}
// 0 date, 1 event type, 2 object, 3 UOO, 4 УОП, 5 date and event type combined. Each iteration also shows
// the whole log again first, as "показать все" does, so that every filter starts from the full list.
BENCHMARK(BM_LogFilter)->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// "показать все" alone, to tell the filters' own share.
void BM_LogShowAll(benchmark::State& state) {
    TLogRig rig(65535);
    for (auto _ : state) {
        rig.form->Session()->ShowAll();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_LogShowAll)->Unit(benchmark::kMillisecond);

}  // namespace
