// The event list's exports at the largest list a 16-bit log position can address (65,535 rows): the .xlsx
// workbook and the HTML page, each built and written into a temporary folder.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "eventlog/exports.h"

namespace {

using namespace mirca;
namespace fs = std::filesystem;

constexpr std::size_t kRows = 65535;

// Rows shaped like decoded ones: Russian texts of the usual lengths, a different date for every row.
const std::vector<TLogRow>& Rows() {
    static const std::vector<TLogRow> rows = [] {
        const std::array<const char*, 4> events = {"Информационное", "Восстановление", "Тревога",
                                                   "Неисправность"};
        const std::array<const char*, 4> details = {"Восстановление вскрытия", "Восстановление питания",
                                                    "Восстановление связи",
                                                    "Восстановление общей неисправности"};
        std::vector<TLogRow> out;
        out.reserve(kRows);
        for (std::size_t i = 0; i < kRows; ++i) {
            char when[32];
            std::snprintf(when, sizeof when, "%02zu.%02zu.21/%02zu:%02zu:%02zu", i % 28 + 1, i / 28 % 12 + 1,
                          i % 24, i % 60, i * 7 % 60);
            out.push_back({std::to_string(i + 1), "0x3383", when, events[i % 4],
                           "Объект " + std::to_string(i % 2000 + 1), details[i / 4 % 4],
                           "УОО " + std::to_string(i % 250 + 1)});
        }
        return out;
    }();
    return rows;
}

fs::path TempFile(const char* extension) {
    return fs::temp_directory_path() / ("mirca_bench_export_" + std::to_string(getpid()) + extension);
}

void BM_ExportXlsx(benchmark::State& state) {
    const auto& rows = Rows();
    const auto columns = ExportColumns("RU");
    const fs::path file = TempFile(".xlsx");
    for (auto _ : state)
        ExportXlsx(rows, columns, file);
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove(file);
}
BENCHMARK(BM_ExportXlsx)->Unit(benchmark::kMillisecond);

void BM_ExportHtml(benchmark::State& state) {
    const auto& rows = Rows();
    const auto columns = ExportColumns("RU");
    const fs::path file = TempFile(".htm");
    for (auto _ : state)
        ExportHtml(rows, columns, "Отчет по журналу событий от 09.12.2026 0:05:07", file);
    state.counters["rows"] = static_cast<double>(rows.size());
    state.counters["MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove(file);
}
BENCHMARK(BM_ExportHtml)->Unit(benchmark::kMillisecond);

}  // namespace
