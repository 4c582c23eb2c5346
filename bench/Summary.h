#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

// The console's report, then a short summary: each listing and protection as
// a time and as a multiple of the plain pread of the same map, its system
// calls beside the pages it touches, and each target met or missed.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Figures {
        std::vector<double> Milliseconds;  // one per repetition
        std::map<std::string, double> Counters;
        double Median() const;
        double Min() const;
    };
    const Figures* Find(const std::string& name) const;
    void SummariseMap(const std::string& map) const;
    void SummariseWatched() const;
    void SummariseYield() const;

    std::map<std::string, Figures> figures_;
};

}  // namespace bench
