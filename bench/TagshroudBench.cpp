// Listing and protection of large maps, side by side with a plain pread of the
// same bytes. Run as build/bench/tagshroud_bench (Google Benchmark flags
// apply); bench/run.sh also counts the system calls of one listing and one
// protection with strace. See "Performance" in README.md.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMaps.h"
#include "bench/Summary.h"
#include "framework/BinaryStream.h"
#include "framework/Controls.h"
#include "framework/Runtime.h"
#include "framework/testing/EventLoopWatch.h"
#include "framework/testing/Simulate.h"
#include "framework/testing/SystemCalls.h"
#include "shell/ProtectOptions.h"
#include "shell/Tagshroud.h"
#include "tests/support/MapBuilder.h"
#include "tests/support/ProcessCalls.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/StockTags.h"

namespace {

using testmaps::TempMap;

constexpr const char* ProtectedReport = "Map Protected!";

struct BenchMap {
    std::string Label;
    std::string Bytes;
    std::unique_ptr<TempMap> File;
    bench::RawScan Scan;  // with the pages a listing touches
};

// Everything the benchmarks share: one main window, scripted dialogs, the maps.
struct Bench {
    std::unique_ptr<testsupport::ScopedScriptedDialogs> Dialogs;
    std::shared_ptr<class Tagshroud> Window;
    std::map<std::string, BenchMap> Maps;
    // Only watched: a listing that runs long enough for the window to repaint
    // during it.
    BenchMap Watched;
};

// Names of the watched map: with 65,535 of them a listing takes several
// times the 50 ms within which the window must repaint.
constexpr std::size_t WatchedNameSize = 400;

Bench& Shared() {
    static Bench bench;
    return bench;
}

BenchMap MakeMap(std::string label, const std::vector<testmaps::TagRow>& tags) {
    BenchMap map;
    map.Label = std::move(label);
    map.Bytes = bench::BuildFullMap("bloodgulch", tags);
    map.File = std::make_unique<TempMap>(map.Bytes);
    std::vector<unsigned char> buffer;
    map.Scan = bench::ScanWithPread(map.File->Path(), buffer, /*countPages=*/true);
    return map;
}

using testsupport::ProcessReadWriteCalls;

// What reading /proc/self/io itself adds to the figure it reads.
std::int64_t ReadWriteProbeCost() {
    static const std::int64_t cost = [] {
        const std::int64_t first = ProcessReadWriteCalls();
        return ProcessReadWriteCalls() - first;
    }();
    return cost;
}

// Page faults the process took so far: the mapped stream's reads and writes
// cost these instead of system calls.
std::int64_t MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Time the kernel spent on the process so far, in milliseconds: page faults
// and system calls.
double SystemMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_stime.tv_sec) * 1e3 + static_cast<double>(usage.ru_stime.tv_usec) / 1e3;
}

// The system calls and page faults of the timed part of each iteration.
class CallCounts {
public:
    void Begin() {
        readWrite_ = ProcessReadWriteCalls();
        stream_ = fw::testing::StreamSystemCalls();
        faults_ = MinorFaults();
        system_ = SystemMilliseconds();
    }
    void End() {
        systemTotal_ += SystemMilliseconds() - system_;
        faultsTotal_ += MinorFaults() - faults_;
        streamTotal_ += static_cast<std::int64_t>(fw::testing::StreamSystemCalls() - stream_);
        readWriteTotal_ += ProcessReadWriteCalls() - readWrite_ - ReadWriteProbeCost();
    }
    void Report(benchmark::State& state, const BenchMap& map) const {
        const double iterations = static_cast<double>(state.iterations());
        state.counters["stream_calls"] = static_cast<double>(streamTotal_) / iterations;
        state.counters["rw_calls"] = static_cast<double>(readWriteTotal_) / iterations;
        state.counters["faults"] = static_cast<double>(faultsTotal_) / iterations;
        state.counters["kernel_ms"] = systemTotal_ / iterations;
        state.counters["pages"] = static_cast<double>(map.Scan.PagesTouched);
        state.counters["tags"] = static_cast<double>(map.Scan.Tags);
    }

private:
    std::int64_t readWrite_ = 0;
    std::uint64_t stream_ = 0;
    std::int64_t streamTotal_ = 0;
    std::int64_t readWriteTotal_ = 0;
    std::int64_t faults_ = 0;
    std::int64_t faultsTotal_ = 0;
    double system_ = 0;
    double systemTotal_ = 0;
};

std::shared_ptr<fw::Listbox> TagList() { return Shared().Window->Control<fw::Listbox>("taglist"); }

// The main window shown on the offscreen platform, or created and hidden.
void ShowWindow(bool shown) {
    Shared().Window->SetVisible(shown);
    fw::testing::ProcessEvents();
}

// Empties the list and queues the map for the next open-file dialog, as the
// user's choice of it; the listing that follows is what is timed.
void PrepareLoad(const std::string& path, bool shown) {
    TagList()->DeleteAllRows();
    if (shown) fw::testing::ProcessEvents();
    (*Shared().Dialogs)->QueueFile(path);
}

bool ListedWhole(const BenchMap& map, benchmark::State& state) {
    const auto rows = TagList()->RowCount();
    if (rows == map.Scan.Tags) return true;
    state.SkipWithError(("listed " + std::to_string(rows) + " rows of " + std::to_string(map.Scan.Tags)).c_str());
    return false;
}

void RawPread(benchmark::State& state, const BenchMap* map) {
    std::vector<unsigned char> buffer;
    bench::RawScan scan;
    for (auto _ : state) {
        scan = bench::ScanWithPread(map->File->Path(), buffer);
        benchmark::DoNotOptimize(scan);
    }
    if (scan.Tags != map->Scan.Tags) state.SkipWithError("the raw scan found another tag count");
    state.counters["read_calls"] = static_cast<double>(scan.ReadCalls);
    state.counters["name_bytes"] = static_cast<double>(scan.NameBytes);
    state.counters["pages"] = static_cast<double>(map->Scan.PagesTouched);
    state.counters["tags"] = static_cast<double>(map->Scan.Tags);
}

// The stream alone, walked as a listing walks it (each entry's name pointer,
// then the name a byte at a time with a yield per byte), with no names kept
// and no rows: what reading the map through the stream costs by itself.
void StreamWalk(benchmark::State& state, const BenchMap* map) {
    constexpr std::int64_t IndexOffsetField = 0x10, IndexHeaderSize = 0x28, EntrySize = 0x20, NamePointerAt = 0x10;
    constexpr std::int32_t NameCap = 10000;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto stream = fw::BinaryStream::Open(map->File->Path());
        stream->SetLittleEndian(true);
        stream->SetPosition(IndexOffsetField);
        const std::int32_t indexOffset = stream->ReadInt32();
        stream->SetPosition(indexOffset);
        const std::int32_t mapMagic = stream->ReadInt32() - static_cast<std::int32_t>(IndexHeaderSize) - indexOffset;
        stream->SetPosition(indexOffset + 0x0C);
        const std::int32_t tags = stream->ReadInt32();
        bytes = 0;
        for (std::int32_t tag = 0; tag < tags; ++tag) {
            stream->SetPosition(indexOffset + IndexHeaderSize + tag * EntrySize + NamePointerAt);
            stream->SetPosition(stream->ReadInt32() - mapMagic);
            for (std::int32_t i = 0; i < NameCap; ++i) {
                const bool ends = stream->ReadInt8() == 0;
                fw::RuntimeBackgroundTask();
                if (ends) break;
                ++bytes;
            }
            fw::RuntimeBackgroundTask();
        }
        benchmark::DoNotOptimize(bytes);
    }
    if (bytes != map->Scan.NameBytes) state.SkipWithError("the stream walk found other name bytes");
}

// Load_Action on the chosen map: open, recognise, list every tag.
void Listing(benchmark::State& state, const BenchMap* map, bool shown) {
    ShowWindow(shown);
    CallCounts calls;
    for (auto _ : state) {
        state.PauseTiming();
        PrepareLoad(map->File->Path(), shown);
        calls.Begin();
        state.ResumeTiming();
        Shared().Window->Load_Action();
        if (shown) fw::testing::ProcessEvents();  // until the rows are painted
        state.PauseTiming();
        calls.End();
        state.ResumeTiming();
    }
    if (!ListedWhole(*map, state)) return;
    calls.Report(state, *map);
}

// Continue in the protect dialog on a fresh copy of the map: the rewrite, the
// report and the listing of the rewritten map.
void Protection(benchmark::State& state, const BenchMap* map, bool shown) {
    ShowWindow(shown);
    auto& dialogs = *Shared().Dialogs;
    const std::size_t reportsBefore = dialogs->Messages().size();
    CallCounts calls;
    std::unique_ptr<TempMap> work;
    for (auto _ : state) {
        state.PauseTiming();
        work.reset();
        work = std::make_unique<TempMap>(map->Bytes);
        PrepareLoad(work->Path(), shown);
        Shared().Window->Load_Action();
        Shared().Window->Prot_Action();
        ProtectOptions()->Control<fw::EditField>("TagInPut")->SetText("");
        if (shown) fw::testing::ProcessEvents();
        calls.Begin();
        state.ResumeTiming();
        ProtectOptions()->PushButton1_Action();
        if (shown) fw::testing::ProcessEvents();
        state.PauseTiming();
        calls.End();
        state.ResumeTiming();
    }
    const auto& messages = dialogs->Messages();
    const auto reports = static_cast<std::int64_t>(messages.size() - reportsBefore);
    if (reports != state.iterations() || messages.back() != ProtectedReport) {
        state.SkipWithError(("the protection reported: " + messages.back()).c_str());
        return;
    }
    if (!ListedWhole(*map, state)) return;
    calls.Report(state, *map);
}

// A long listing in the shown window, watched: how often the window painted
// and the longest time the event loop did not get to run.
void WatchedListing(benchmark::State& state, const BenchMap* map) {
    ShowWindow(true);
    double longestGap = 0, longestPaintGap = 0;
    int paints = 0;
    for (auto _ : state) {
        state.PauseTiming();
        PrepareLoad(map->File->Path(), true);
        state.ResumeTiming();
        fw::testing::EventLoopWatch watch(*Shared().Window);
        Shared().Window->Load_Action();
        watch.Stop();
        longestGap = std::max(longestGap, watch.LongestGapMs());
        longestPaintGap = std::max(longestPaintGap, watch.LongestPaintGapMs());
        paints += watch.Paints();
    }
    if (!ListedWhole(*map, state)) return;
    state.counters["longest_gap_ms"] = longestGap;
    state.counters["longest_paint_gap_ms"] = longestPaintGap;
    state.counters["paints"] = static_cast<double>(paints) / static_cast<double>(state.iterations());
}

// The yield with nothing to do: what every byte of every name pays.
void IdleYield(benchmark::State& state) {
    ShowWindow(false);
    for (auto _ : state) {
        fw::RuntimeBackgroundTask();
        benchmark::ClobberMemory();
    }
}

void RegisterAll() {
    for (auto& [key, map] : Shared().Maps) {
        const BenchMap* m = &map;
        const std::string& label = map.Label;
        auto unit = [](benchmark::internal::Benchmark* b) {
            b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
        };
        unit(benchmark::RegisterBenchmark(("raw_pread/" + label).c_str(), RawPread, m));
        unit(benchmark::RegisterBenchmark(("stream_walk/" + label).c_str(), StreamWalk, m));
        unit(benchmark::RegisterBenchmark(("list_engine/" + label).c_str(), Listing, m, false));
        unit(benchmark::RegisterBenchmark(("list_window/" + label).c_str(), Listing, m, true));
        // A protection's untimed setup (a fresh copy of the map, loaded) costs
        // more than the protection of a small map, so the count is fixed.
        const int protections = m->Scan.Tags > 1000 ? 20 : 200;
        benchmark::RegisterBenchmark(("protect_engine/" + label).c_str(), Protection, m, false)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(protections);
        benchmark::RegisterBenchmark(("protect_window/" + label).c_str(), Protection, m, true)
            ->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(protections);
    }
    for (const BenchMap* map : {&Shared().Maps.at("many"), &Shared().Watched})
        benchmark::RegisterBenchmark(("list_window_watched/" + map->Label).c_str(), WatchedListing, map)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(3);
    benchmark::RegisterBenchmark("yield_idle", IdleYield);
}

// A marker in a strace log: a lookup of a path that does not exist.
void Mark(const char* what) {
    const std::string path = std::string("/tagshroud-bench-mark/") + what;
    (void)access(path.c_str(), F_OK);
}

// One listing and one protection of the large map between markers, for
// bench/run.sh to count under strace.
int TraceOnce() {
    const BenchMap& map = Shared().Maps.at("many");
    ShowWindow(true);
    PrepareLoad(map.File->Path(), true);
    Mark("listing-begin");
    Shared().Window->Load_Action();
    fw::testing::ProcessEvents();
    Mark("listing-end");

    TempMap work(map.Bytes);
    PrepareLoad(work.Path(), true);
    Shared().Window->Load_Action();
    Shared().Window->Prot_Action();
    fw::testing::ProcessEvents();
    Mark("protection-begin");
    ProtectOptions()->PushButton1_Action();
    fw::testing::ProcessEvents();
    Mark("protection-end");
    std::printf("pages touched by a listing: %lld\n", static_cast<long long>(map.Scan.PagesTouched));
    return TagList()->RowCount() == map.Scan.Tags ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    // The offscreen platform warns at each raise of a window; the protect
    // dialog raises one per protection.
    setenv("QT_LOGGING_RULES", "default.warning=false", /*overwrite=*/0);
    bool traceOnce = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--trace-once") == 0)
            traceOnce = true;
        else
            args.push_back(argv[i]);
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    fw::RuntimeInit(count, args.data());

    int status = 0;
    {
        Bench& bench = Shared();
        bench.Dialogs = std::make_unique<testsupport::ScopedScriptedDialogs>();
        bench.Window = Tagshroud();
        const auto stock = testmaps::StockMultiplayerTags();
        bench.Maps.emplace("many", MakeMap("many", bench::ManyTags(stock, bench::MostTags)));
        bench.Maps.emplace("long", MakeMap("long", bench::LongNameTags(stock)));
        if (!traceOnce)
            bench.Watched = MakeMap("400-byte-names", bench::SizedTags(stock, bench::MostTags, WatchedNameSize));

        if (traceOnce) {
            status = TraceOnce();
        } else {
            RegisterAll();
            bench::SummaryReporter reporter;
            benchmark::RunSpecifiedBenchmarks(&reporter);
            benchmark::Shutdown();
        }
        bench.Window.reset();
        bench.Maps.clear();
        bench.Watched = {};
        bench.Dialogs.reset();
    }
    fw::RuntimeExit();
    return status;
}
