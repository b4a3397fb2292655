// Times one game's conversion from its mjlog record (as stored: gzip or
// plain XML) against the conversion of its JSON log through the module's
// pipeline, file bytes in, event lines out, over every pair of the corpus;
// prints the medians, the median of the per-game ratios, and the reading
// of the record alone.
//   mjlog_bench [CORPUS_DIR] [REPEATS]
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "ripaion/mjlog/read_mjlog.hpp"
#include "ripaion/pipeline/pipeline.hpp"

namespace fs = std::filesystem;
using bench::Clock;
using bench::median;
using bench::us_since;
using namespace ripaion;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The bytes are copied in both cases, as the module hands the pipeline the
// file's bytes as its own.
std::size_t line_count(const std::string& bytes, pipeline::InputFormat format) {
    auto lines = pipeline::convert(std::string(bytes), format);
    return lines ? lines.value().count() : 0;
}

struct Pair {
    std::string xml, json;
};

}  // namespace

int main(int argc, char** argv) {
    const fs::path corpus = argc > 1 ? argv[1] : "../shared/corpus";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    std::vector<Pair> pairs;
    for (const auto& e : fs::recursive_directory_iterator(corpus / "mjlog")) {
        const auto ext = e.path().extension();
        if (!e.is_regular_file() || (ext != ".xml" && ext != ".mjlog")) continue;
        const std::string source = e.path().parent_path().filename().string();
        const fs::path json = corpus / (source == "mjlog2json-data" ? "tenhou4" : "tenhou4-xml") / source /
                              (e.path().stem().string() + ".json");
        pairs.push_back({slurp(e.path()), slurp(json)});
    }
    if (pairs.empty()) {
        std::fprintf(stderr, "no mjlog records under %s\n", (corpus / "mjlog").c_str());
        return 1;
    }
    std::vector<double> json_us, xml_us, read_us, ratios;
    std::size_t mismatched = 0;
    for (const Pair& p : pairs) {
        double best_json = 1e300, best_xml = 1e300, best_read = 1e300;
        for (int r = 0; r < repeats; ++r) {
            auto t0 = Clock::now();
            const std::size_t nj = line_count(p.json, pipeline::InputFormat::TenhouJson);
            best_json = std::min(best_json, us_since(t0));

            t0 = Clock::now();
            const std::size_t nx = line_count(p.xml, pipeline::InputFormat::Mjlog);
            best_xml = std::min(best_xml, us_since(t0));

            t0 = Clock::now();
            const bool read = mjlog::read_mjlog(p.xml).ok();
            best_read = std::min(best_read, us_since(t0));
            mismatched += (r == 0 && !read);
            mismatched += (r == 0 && nj != nx);
        }
        json_us.push_back(best_json);
        xml_us.push_back(best_xml);
        read_us.push_back(best_read);
        ratios.push_back(best_xml / best_json);
    }
    std::printf("%zu games (best of %d each), file bytes -> event lines\n", pairs.size(), repeats);
    std::printf("  JSON log:    median %8.1f us\n", median(json_us));
    std::printf("  mjlog:       median %8.1f us  (reading the record alone: %.1f us)\n", median(xml_us),
                median(read_us));
    std::printf("  ratio of medians %.2f, median of per-game ratios %.2f (bound 1.5)\n",
                median(xml_us) / median(json_us), median(ratios));
    if (mismatched) std::printf("  %zu games gave a different number of lines\n", mismatched);
    return 0;
}
