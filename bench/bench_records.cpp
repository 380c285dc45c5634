// SPDX-License-Identifier: GPL-3.0-or-later
// LoadRecords over 10,000 records: with the row map already written (the common start of the
// program) and with the row map to be written by the load (after a delete dropped it).
#include "core/fax/FaxRecordStore.h"
#include "core/platform/ProfileFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr int kRecords = 10000;

// A file as a long use of the program leaves it: settings, the counter, the records with every
// tenth deleted, and a row map.
std::string MakeStore() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "faxdesk_bench_records";
    std::filesystem::create_directories(dir);
    const std::string ini = (dir / "RERAVA.INI").string();
    std::string text = "[DEZAZAZE]\r\nINSTALL=1\r\nRING=4\r\n[FAX]\r\nNUM=" + std::to_string(kRecords) + "\r\n";
    for (int n = 1; n <= kRecords; ++n) {
        if (n % 10 == 0)
            continue;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2000%010d", n);
        text += "[FAX" + std::to_string(n) + "]\r\nFILE=" + dir.string() + "/" + stamp +
                ".TIF\r\nTIME=2000/08/15  09:05:00\r\nID=\xC9\xEE\xDB\xDA\xB4\xAB\xD5\xE6\r\nRead=" +
                std::to_string(n % 2) + "\r\nPage=3\r\nRes=1\r\n";
    }
    std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;
    return ini;
}

void BM_LoadRecordsRowMapWritten(benchmark::State& state) {
    FaxRecordStore store;
    store.OpenStoreAt(MakeStore());
    size_t rows = 0;
    store.LoadRecords([&](const FaxRecord&) { ++rows; }); // writes the row map once
    for (auto _ : state) {
        rows = 0;
        store.LoadRecords([&](const FaxRecord& r) { rows += r.read; });
        benchmark::DoNotOptimize(rows);
    }
    state.counters["records"] = static_cast<double>(kRecords - kRecords / 10);
}
BENCHMARK(BM_LoadRecordsRowMapWritten)->Unit(benchmark::kMillisecond);

void BM_LoadRecordsWritingRowMap(benchmark::State& state) {
    FaxRecordStore store;
    store.OpenStoreAt(MakeStore());
    for (auto _ : state) {
        state.PauseTiming();
        store.DropRowMap();
        state.ResumeTiming();
        size_t rows = 0;
        store.LoadRecords([&](const FaxRecord&) { ++rows; });
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_LoadRecordsWritingRowMap)->Unit(benchmark::kMillisecond);

} // namespace
