// Times reading Tenhou logs into the model, log by log. Each log is parsed
// in batches of about a millisecond; its time is the fastest batch divided by
// the batch size (the least disturbed by other work on the machine). Prints the median and spread of per-log times over the
// corpus, the time scaled to a 10 KB log, the throughput, and how many logs
// failed to read.
//   read_bench [DIR]   (every *.json below DIR, recursively)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace fs = std::filesystem;
using bench::Clock;
using bench::median;
using bench::us_since;

namespace {

constexpr int kBatches = 7;
constexpr double kBatchTargetUs = 1000.0;


double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}


std::size_t sink = 0;  // keeps the parses from being optimised away

// Microseconds for one parse of `text`.
double time_one_log(const std::string& text) {
    auto once = [&] {
        auto r = ripaion::tenhou::parse_raw_log(text);
        sink += r.ok() ? r.value().log.size() : r.error().message.size();
    };
    auto t0 = Clock::now();
    once();
    const double first = std::max(us_since(t0), 0.05);
    const int reps = std::max(1, static_cast<int>(kBatchTargetUs / first));
    std::vector<double> batches;
    for (int b = 0; b < kBatches; ++b) {
        t0 = Clock::now();
        for (int k = 0; k < reps; ++k) once();
        batches.push_back(us_since(t0) / reps);
    }
    return *std::min_element(batches.begin(), batches.end());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "/work/shared/corpus/tenhou4";
    const auto logs = bench::load_logs(dir);
    if (logs.empty()) {
        std::fprintf(stderr, "no *.json under %s\n", dir.c_str());
        return 1;
    }

    int failed = 0;
    for (const auto& [path, text] : logs) {
        auto r = ripaion::tenhou::parse_raw_log(text);
        if (!r.ok()) {
            ++failed;
            std::printf("failed: %s: %s (line %zu, column %zu)\n", path.c_str(), r.error().message.c_str(),
                        r.error().line, r.error().column);
        }
    }

    std::vector<double> per_log_us, per_10kb_us, sizes;
    double total_us = 0, total_bytes = 0;
    for (const auto& [path, text] : logs) {
        const double us = time_one_log(text);
        per_log_us.push_back(us);
        per_10kb_us.push_back(us * 10240.0 / static_cast<double>(std::max<std::size_t>(text.size(), 1)));
        sizes.push_back(static_cast<double>(text.size()));
        total_us += us;
        total_bytes += static_cast<double>(text.size());
    }

    std::printf("corpus        %s\n", dir.c_str());
    std::printf("logs          %zu (median size %.1f KB, total %.1f MB)\n", logs.size(), median(sizes) / 1024,
                total_bytes / 1e6);
    std::printf("failed        %d\n", failed);
    std::printf("per log       median %.2f us, p10 %.2f us, p90 %.2f us, max %.2f us\n", median(per_log_us),
                percentile(per_log_us, 0.1), percentile(per_log_us, 0.9), percentile(per_log_us, 1.0));
    std::printf("per 10 KB     median %.2f us\n", median(per_10kb_us));
    std::printf("throughput    %.1f MB/s\n", total_bytes / total_us);
    return sink == 0xFFFFFFFF ? 2 : 0;
}
