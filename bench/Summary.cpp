#include "bench/Summary.h"

#include <algorithm>
#include <cstdio>

namespace bench {
namespace {

// The targets: a listing at most 10 times the plain read of its bytes, a
// protection at most 15 times; the list widget at most twice the engine
// alone; system calls at most 2 per page touched plus a few; the event loop
// never kept waiting for more than 50 ms.
constexpr double ListingTarget = 10;
constexpr double ProtectionTarget = 15;
constexpr double WidgetTarget = 2;
constexpr double WidgetTargetRows = 65535;
constexpr double CallsPerPage = 2;
constexpr double FixedCalls = 64;
constexpr double LongestGapTarget = 50;

double ToMilliseconds(const benchmark::BenchmarkReporter::Run& run) {
    const double time = run.GetAdjustedRealTime();
    switch (run.time_unit) {
        case benchmark::kNanosecond: return time / 1e6;
        case benchmark::kMicrosecond: return time / 1e3;
        case benchmark::kMillisecond: return time;
        case benchmark::kSecond: return time * 1e3;
    }
    return time;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace

double SummaryReporter::Figures::Min() const {
    return Milliseconds.empty() ? 0 : *std::min_element(Milliseconds.begin(), Milliseconds.end());
}

double SummaryReporter::Figures::Median() const {
    std::vector<double> sorted = Milliseconds;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
}

void SummaryReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        Figures& f = figures_[run.run_name.function_name];
        f.Milliseconds.push_back(ToMilliseconds(run));
        for (const auto& [name, counter] : run.counters) f.Counters[name] = counter.value;
    }
}

const SummaryReporter::Figures* SummaryReporter::Find(const std::string& name) const {
    const auto found = figures_.find(name);
    return found == figures_.end() ? nullptr : &found->second;
}

void SummaryReporter::SummariseMap(const std::string& map) const {
    const Figures* raw = Find("raw_pread/" + map);
    if (!raw) return;
    const double base = raw->Median();
    std::printf("\nmap \"%s\": %.0f tags, %.0f name bytes, %.0f pages touched by a listing\n", map.c_str(),
                raw->Counters.at("tags"), raw->Counters.at("name_bytes"), raw->Counters.at("pages"));
    std::printf("  %-16s %9s %9s %8s %7s %7s %7s %7s %7s  %s\n", "what", "median ms", "min ms", "x pread", "target",
                "stream", "rw", "faults", "kern ms", "calls <= 2/page + c");
    std::printf("  %-16s %9.3f %9.3f %8.1f %7s %7s %7.0f\n", "raw_pread", base, raw->Min(), 1.0, "-", "-",
                raw->Counters.at("read_calls"));
    struct Row {
        const char* name;
        double target;
    };
    for (const Row row : {Row{"stream_walk", 0}, Row{"list_engine", ListingTarget}, Row{"list_window", 0},
                          Row{"protect_engine", ProtectionTarget}, Row{"protect_window", 0}}) {
        const Figures* f = Find(std::string(row.name) + "/" + map);
        if (!f) continue;
        const double ms = f->Median();
        const double ratio = base > 0 ? ms / base : 0;
        char target[16] = "-";
        if (row.target > 0) std::snprintf(target, sizeof target, "%s", Verdict(ratio <= row.target));
        if (!f->Counters.count("stream_calls")) {
            std::printf("  %-16s %9.3f %9.3f %8.1f %7s\n", row.name, ms, f->Min(), ratio, target);
            continue;
        }
        const double pages = f->Counters.at("pages");
        const double stream = f->Counters.at("stream_calls");
        const double readWrite = f->Counters.at("rw_calls");
        const bool callsMet = stream + readWrite <= CallsPerPage * pages + FixedCalls;
        std::printf("  %-16s %9.3f %9.3f %8.1f %7s %7.1f %7.1f %7.1f %7.2f  %s\n", row.name, ms, f->Min(), ratio,
                    target, stream, readWrite, f->Counters.at("faults"), f->Counters.at("kernel_ms"),
                    Verdict(callsMet));
    }
    const Figures* engine = Find("list_engine/" + map);
    const Figures* window = Find("list_window/" + map);
    if (engine && window && engine->Median() > 0) {
        const double ratio = window->Median() / engine->Median();
        std::printf("  the shown window's listing takes %.2f x the engine's alone", ratio);
        // The list widget's target is set for a full list of 65,535 rows.
        if (raw->Counters.at("tags") >= WidgetTargetRows)
            std::printf(" (target %.0f x): %s\n", WidgetTarget, Verdict(ratio <= WidgetTarget));
        else
            std::printf(" (no target below %.0f rows)\n", WidgetTargetRows);
    }
}

void SummaryReporter::SummariseWatched() const {
    const std::string prefix = "list_window_watched/";
    for (const auto& [name, watched] : figures_) {
        if (name.rfind(prefix, 0) != 0) continue;
        const double gap = watched.Counters.at("longest_gap_ms");
        const double paintGap = watched.Counters.at("longest_paint_gap_ms");
        std::printf("\nlisting map \"%s\" in the shown window (%.1f ms): the event loop waited at most %.1f ms, "
                    "%.1f paints per listing, at most %.1f ms between paints (target %.0f ms): %s\n",
                    name.substr(prefix.size()).c_str(), watched.Median(), gap, watched.Counters.at("paints"),
                    paintGap, LongestGapTarget, Verdict(paintGap <= LongestGapTarget));
    }
}

void SummaryReporter::SummariseYield() const {
    if (const Figures* yield = Find("yield_idle"))
        std::printf("\nyield with nothing to do: %.2f ns per call\n", yield->Median() * 1e6);
}

void SummaryReporter::Finalize() {
    ConsoleReporter::Finalize();
    std::printf("\nSummary: real time per operation (median and fastest of the repetitions); x pread is the\n"
                "median over the median plain pread of the same map; stream, rw and faults are per operation:\n"
                "the streams' own system calls, the process's read and write calls, its page faults\n");
    for (const char* map : {"many", "long"}) SummariseMap(map);
    SummariseWatched();
    SummariseYield();
    std::printf("\ncalls bound: stream + rw <= %.0f per page touched + %.0f\n", CallsPerPage, FixedCalls);
    std::fflush(stdout);
}

}  // namespace bench
