// Times the conversion alone (model in, events out) per hand over a corpus of
// logs, then on two hostile logs of about 1 MB whose hands keep the search
// over ambiguous calls busy for the whole attempt budget.
//   convert_bench [DIR] [REPEATS]
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
#include "ripaion/tenhou/reader.hpp"

namespace fs = std::filesystem;
using bench::Clock;
using bench::median;
using bench::us_since;

namespace {



std::string list(const std::vector<std::string>& items) {
    std::string s = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) s += ',';
        s += items[i];
    }
    s += ']';
    return s;
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

// One hand: `rounds` plain rounds of draw and discard by every seat, then k
// pons of seat 0's discards by seat 2 chained so that the choices count
// through 3^k states (see the conversion tests); every attempt fails.
std::string counter_hand(int rounds, int k) {
    std::vector<std::string> takes[4], discards[4];
    for (int r = 0; r < rounds; ++r) {
        for (int s = 0; s < 4; ++s) {
            takes[s].push_back("29");
            discards[s].push_back("60");
        }
    }
    for (int i = 0; i < k; ++i) {
        const std::string x = std::to_string(11 + i);
        takes[0].push_back(std::to_string(21 + i));
        discards[0].push_back(x);
        takes[2].push_back(quoted(x + "p" + x + x));
        discards[2].push_back(std::to_string(31 + i));
        if (i + 1 < k) {
            takes[3].push_back("41");
            discards[3].push_back(std::to_string(45 + i % 3));
        }
    }
    for (int i = 0; i < k; ++i) discards[0].push_back(std::to_string(11 + i));
    takes[1].push_back("39");
    discards[1].push_back("38");
    const std::string haipai = "[11,11,11,11,11,11,11,11,11,11,11,11,11]";
    std::string h = "[[0,0,0],[25000,25000,25000,25000],[21],[]";
    for (int s = 0; s < 4; ++s) h += "," + haipai + "," + list(takes[s]) + "," + list(discards[s]);
    h += ",[\"x\"]]";
    return h;
}

std::string game(const std::vector<std::string>& hands) {
    return "{\"log\":" + list(hands) + ",\"name\":[\"a\",\"b\",\"c\",\"d\"],\"rule\":{\"disp\":\"\"}}";
}

void time_hostile(const char* what, const std::string& text) {
    auto log = ripaion::tenhou::parse_raw_log(text);
    if (!log) {
        std::printf("%s: read failed: %s\n", what, log.error().message.c_str());
        return;
    }
    const auto t0 = Clock::now();
    auto ev = ripaion::conv::convert_game(std::move(log).value());
    const double us = us_since(t0);
    std::printf("%s: %.2f MB, converted in %.1f ms (%s)\n", what, text.size() / 1e6, us / 1000,
                ev ? "converted" : "refused");
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path dir = argc > 1 ? argv[1] : "tests/data/logs";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 51;

    std::vector<double> per_hand_us, per_log_us;
    std::size_t hands = 0, failed = 0;
    for (const auto& [path, text] : bench::load_logs(dir)) {
        auto parsed = ripaion::tenhou::parse_raw_log(text);
        if (!parsed || parsed.value().log.empty()) continue;
        const std::size_t n = parsed.value().log.size();
        // Copies made ahead so that only the conversion is timed.
        std::vector<ripaion::model::RawLog> copies(repeats, parsed.value());
        std::vector<double> t;
        bool ok = true;
        for (auto& copy : copies) {
            const auto t0 = Clock::now();
            auto ev = ripaion::conv::convert_game(std::move(copy));
            t.push_back(us_since(t0));
            ok = ok && ev.ok();
        }
        if (!ok) {
            ++failed;
            continue;
        }
        per_log_us.push_back(median(t));
        per_hand_us.push_back(median(t) / double(n));
        hands += n;
    }
    std::printf("%zu logs, %zu hands, %zu failed (%s)\n", per_log_us.size(), hands, failed, dir.c_str());
    std::printf("median convert: %.2f us per log, %.3f us per hand\n", median(per_log_us), median(per_hand_us));

    // One hand of about 1 MB: every attempt walks the whole hand.
    time_hostile("one long hand, 64 attempts", game({counter_hand(40000, 6)}));
    // Many small hands, each running the attempt budget out.
    std::vector<std::string> small(2400, counter_hand(0, 6));
    time_hostile("2400 hands of 64 attempts", game(small));
    return 0;
}
