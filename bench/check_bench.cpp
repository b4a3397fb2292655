// Converts every log below DIR, then replays each output with the stream
// checker, and prints both rates per game (processor time of one thread), with every output that
// does not check clean. The conversion rate is the library's whole pipeline
// (read, convert, make the lines); the check rate is the replay of the joined
// text, the form `ripaion check` reads once a file is decompressed.
//   check_bench [DIR] [REPEATS]
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "ripaion/check/stream_check.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace fs = std::filesystem;

namespace {

// Processor time of this thread: the machine is shared, and wall time would
// count the time other processes hold the core.
double cpu_us() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "../shared/corpus";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    const auto logs = bench::load_logs(dir);

    std::vector<std::string> streams;
    std::vector<fs::path> paths;
    std::size_t skipped = 0, bytes = 0;
    double convert_us = 0;
    for (const auto& [path, text] : logs) {
        const double t0 = cpu_us();
        auto log = ripaion::tenhou::parse_raw_log(text);
        if (!log.ok()) {
            ++skipped;
            continue;
        }
        auto game = ripaion::conv::convert_game(std::move(log).value());
        if (!game.ok()) {
            ++skipped;
            continue;
        }
        auto lines = ripaion::conv::encode_game(game.value());
        if (!lines.ok()) {
            ++skipped;
            continue;
        }
        std::string out;
        for (std::size_t i = 0; i < lines.value().count(); ++i) {
            out += lines.value().line(i);
            out += '\n';
        }
        convert_us += (cpu_us() - t0);
        bytes += out.size();
        streams.push_back(std::move(out));
        paths.push_back(path);
    }

    std::size_t bad = 0;
    double best_check_us = 0;
    for (int k = 0; k < repeats; ++k) {
        const double t0 = cpu_us();
        std::size_t found = 0;
        for (std::size_t i = 0; i < streams.size(); ++i) {
            if (auto p = ripaion::check::check_stream(streams[i])) {
                ++found;
                if (k == 0) {
                    std::fprintf(stderr, "%s: line %zu: %s: %s\n", paths[i].c_str(), p->line,
                                 std::string(ripaion::check::problem_label(p->kind)).c_str(), p->message.c_str());
                }
            }
        }
        const double us = (cpu_us() - t0);
        if (k == 0 || us < best_check_us) best_check_us = us;
        bad = found;
    }
    const double n = static_cast<double>(streams.size());
    std::printf("games: %zu converted (%zu logs not converted) from %s, %.1f MB of mjai text\n", streams.size(),
                skipped, dir.c_str(), bytes / 1e6);
    std::printf("convert: %.0f games/s (read, convert, lines; one pass)\n", n / (convert_us / 1e6));
    std::printf("check:   %.0f games/s, %.0f MB/s (best of %d passes)\n", n / (best_check_us / 1e6),
                bytes / best_check_us, repeats);
    std::printf("streams with a problem: %zu\n", bad);
    return bad ? 1 : 0;
}
