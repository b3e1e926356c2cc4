// The event log: reading a ring from the panel, decoding it, storing it and filtering it, for the ring of a
// Y-649 (1,400 records) and for the largest ring a 16-bit log position can address (65,535 records).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#include "base/catalogue.h"
#include "bench/transfer_rig.h"
#include "eventlog/database.h"
#include "eventlog/logrows.h"
#include "eventlog/queries.h"
#include "eventlog/reader.h"
#include "sim/panel.h"
#include "sim/simport.h"

namespace {

using namespace mirca;
namespace fs = std::filesystem;

const fs::path kMessages = fs::path(MIRCA_SOURCE_DIR) / "data" / "drv_base" / "Messages.xml";

const TCatalogue& Russian() {
    static const TCatalogue catalogue = [] {
        TCatalogue c;
        c.LoadCatalogue(kMessages, "RU", "RU");
        return c;
    }();
    return catalogue;
}

struct TPanelRig {
    // A reply shorter than asked for ends its USB transfer at once (a short packet), so in this rig a short
    // read costs no virtual time; the floor is the reader's own waits and the bytes.
    explicit TPanelRig(std::uint32_t records) : port(panel, &clock, 0) {
        sim::TEventLogSetup setup;
        setup.records = records;
        setup.logPosition = static_cast<std::uint16_t>(records / 3);
        panel.SetEventLog(setup);
    }
    sim::TSimPanel panel;
    TVirtualClock clock;
    sim::TSimPort port;
};

// A reader holding a ring read from the simulated panel, made once per ring size.
const TEventLogReader& ReadRing(std::uint32_t records) {
    static std::map<std::uint32_t, std::unique_ptr<TEventLogReader>> cache;
    auto& slot = cache[records];
    if (!slot) {
        static std::map<std::uint32_t, std::unique_ptr<TPanelRig>> rigs;
        auto& rig = rigs[records];
        rig = std::make_unique<TPanelRig>(records);
        slot = std::make_unique<TEventLogReader>(&rig->port, &rig->clock);
        slot->SetCatalogue(&Russian());
        if (!slot->ReadIdentity() || !slot->ReadLog())
            throw std::runtime_error("the simulated panel's log did not read");
    }
    return *slot;
}

fs::path TempDatabase(const char* name) {
    return fs::temp_directory_path() / ("mirca_bench_" + std::to_string(getpid()) + "_" + name + ".db");
}

// Host time of a whole read (identity and every table) against the floor a real link imposes: the
// mandated waits plus every byte at 12 Mbit/s.
void BM_ReadLog(benchmark::State& state) {
    const auto records = static_cast<std::uint32_t>(state.range(0));
    double floorMs = 0;
    double hostMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TPanelRig rig(records);
        rig.panel.ClearExchange();
        TEventLogReader reader(&rig.port, &rig.clock);
        reader.SetCatalogue(&Russian());
        state.ResumeTiming();
        const auto t0 = std::chrono::steady_clock::now();
        const bool read = reader.ReadIdentity() && reader.ReadLog();
        hostMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.PauseTiming();
        if (!read) state.SkipWithError("read failed");
        floorMs += bench::FloorMs(rig.panel, rig.clock, 0);
        state.ResumeTiming();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["floor_ms"] = floorMs / n;
    state.counters["host/floor_%"] = 100.0 * hostMs / floorMs;
}

void BM_DecodeAll(benchmark::State& state) {
    const TEventLogReader& reader = ReadRing(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        auto rows = ListRows(reader);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(ListRows(reader).size());
}

// What the window does after a read: decode every record, empty the table, store every row.
void BM_DecodeAndStore(benchmark::State& state) {
    const TEventLogReader& reader = ReadRing(static_cast<std::uint32_t>(state.range(0)));
    const fs::path file = TempDatabase("store");
    {
        TEventDatabase database(file);
        database.ClearCurrentLog();  // opens and keys the file outside the timing
        for (auto _ : state) {
            database.ClearCurrentLog();
            const auto result = database.StoreCurrentLog(ListRows(reader));
            if (result.skipped != 0) state.SkipWithError("rows were skipped");
        }
    }
    fs::remove(file);
}

std::string DateOf(const TEventLogReader& reader, std::size_t i) {
    std::string event, range, detail, source, date, time;
    reader.GetEvent(i, event, range, detail, source, date, time);
    return date;
}

// Each filter of the window against a stored ring; range(1) picks the query.
void BM_Query(benchmark::State& state) {
    const TEventLogReader& reader = ReadRing(static_cast<std::uint32_t>(state.range(0)));
    const TCatalogue& c = Russian();
    std::array<bool, kEventTypeItems> types{};
    types[2] = types[10] = types[14] = true;
    const std::string date =
        DateCondition(DateOf(reader, reader.EventCount() / 4), DateOf(reader, reader.EventCount() * 3 / 4));
    // An object and a UOO that the ring holds, so those filters find rows.
    std::string object = "1", uoo = "1";
    for (std::size_t i = 0; i < reader.EventCount(); ++i) {
        const EventElement& e = reader.Event(i);
        if (e.objectNumber() != 0 && e.uooNumber() != 0) {
            object = std::to_string(e.objectNumber());
            uoo = std::to_string(e.uooNumber());
            break;
        }
    }
    std::vector<std::string> query;
    switch (state.range(1)) {
        case 0:
            query = SingleQuery(date);
            state.SetLabel("date");
            break;
        case 1:
            query = SingleQuery(EventTypeCondition(types, c));
            state.SetLabel("event type");
            break;
        case 2:
            query = SingleQuery(ObjectCondition(object, c));
            state.SetLabel("object");
            break;
        case 3:
            query = SingleQuery(UooCondition(uoo, c));
            state.SetLabel("UOO");
            break;
        case 4:
            query = SingleQuery(UopCondition("1", c));
            state.SetLabel("UOP");
            break;
        case 5:
            query = CombinedQuery({date, EventTypeCondition(types, c), UooCondition(uoo, c)});
            state.SetLabel("combined");
            break;
        default:
            query = ShowAllQuery();
            state.SetLabel("show all");
            break;
    }
    const fs::path file = TempDatabase("query");
    std::size_t rows = 0;
    {
        TEventDatabase database(file);
        database.ClearCurrentLog();
        database.StoreCurrentLog(ListRows(reader));
        for (auto _ : state) {
            rows = database.Query(query).size();
            benchmark::DoNotOptimize(rows);
        }
    }
    fs::remove(file);
    state.counters["rows"] = static_cast<double>(rows);
}

BENCHMARK(BM_ReadLog)->Arg(1400)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAll)->Arg(1400)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeAndStore)->Arg(1400)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Query)->ArgsProduct({{1400, 65535}, {0, 1, 2, 3, 4, 5, 6}})->Unit(benchmark::kMillisecond);

}  // namespace
