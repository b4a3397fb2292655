// Times the library's pipeline per log, as the module runs it: each stage
// (read the JSON text into the model, convert it to the compact game record,
// make every event line: table lines looked up, the others encoded), then
// the whole pipeline::convert call. Prints medians over the corpus and
// throughput.
//   pipeline_bench [DIR] [REPEATS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/pipeline/pipeline.hpp"

namespace fs = std::filesystem;
using bench::Clock;
using bench::median;
using bench::us_since;

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "../shared/corpus/tenhou4";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 21;
    const auto logs = bench::load_logs(dir);

    std::vector<double> read_us, convert_us, encode_us, total_us, whole_us;
    std::size_t bytes = 0, events = 0, read_failed = 0, convert_failed = 0;
    double sum_total = 0;
    for (const auto& [path, text] : logs) {
        std::vector<double> r, c, e, w;
        bool ok = true;
        std::size_t n_events = 0;
        for (int k = 0; k < repeats && ok; ++k) {
            auto t0 = Clock::now();
            auto log = ripaion::pipeline::read_log(text, ripaion::pipeline::InputFormat::TenhouJson);
            r.push_back(us_since(t0));
            if (!log.ok()) {
                ++read_failed;
                ok = false;
                std::fprintf(stderr, "read failed: %s\n", path.c_str());
                break;
            }
            t0 = Clock::now();
            auto ev = ripaion::conv::convert_game(std::move(log).value());
            c.push_back(us_since(t0));
            if (!ev.ok()) {
                ++convert_failed;
                ok = false;
                std::fprintf(stderr, "convert failed: %s\n", path.c_str());
                break;
            }
            t0 = Clock::now();
            auto lines = ripaion::conv::encode_game(ev.value());
            e.push_back(us_since(t0));
            n_events = ev.value().events.size();
            if (!lines.ok()) {
                ok = false;
                break;
            }
            t0 = Clock::now();
            auto whole = ripaion::pipeline::convert(std::string_view(text));
            w.push_back(us_since(t0));
            ok = whole.ok();
        }
        if (!ok) continue;
        read_us.push_back(median(r));
        convert_us.push_back(median(c));
        encode_us.push_back(median(e));
        total_us.push_back(median(r) + median(c) + median(e));
        whole_us.push_back(median(w));
        sum_total += total_us.back();
        bytes += text.size();
        events += n_events;
    }
    std::printf("logs: %zu converted, %zu read failures, %zu conversion failures (%s)\n", total_us.size(),
                read_failed, convert_failed, dir.c_str());
    std::printf("median per log: read %.1f us, convert %.1f us, lines %.1f us, sum %.1f us; pipeline::convert %.1f us\n",
                median(read_us), median(convert_us), median(encode_us), median(total_us), median(whole_us));
    if (sum_total > 0) {
        std::printf("throughput: %.1f MB/s of input, %.2f M events/s, %.0f logs/s\n", bytes / sum_total,
                    events / sum_total, total_us.size() / (sum_total / 1e6));
    }
    return read_failed || convert_failed ? 1 : 0;
}
