// Time and size of DEFLATE implementations and levels on the mjai texts of a
// corpus, as gzip members: the basis for the compression the module uses.
// The texts are made by the library's own pipeline. Times are this thread's
// processor time per log, best of REPEATS passes over the corpus, so that
// other work on the machine blurs them less; ratio = compressed / text size.
//   deflate_bench [DIR] [REPEATS]
#include <libdeflate.h>
#include <time.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/tenhou/reader.hpp"
#ifdef RIPAION_BENCH_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

double thread_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

std::vector<std::string> mjai_texts(const std::vector<std::pair<bench::fs::path, std::string>>& logs,
                                    double& convert_seconds) {
    std::vector<std::string> texts;
    const double t0 = thread_seconds();
    for (const auto& [path, json] : logs) {
        auto log = ripaion::tenhou::parse_raw_log(json);
        if (!log.ok()) continue;
        auto game = ripaion::conv::convert_game(std::move(log).value());
        if (!game.ok()) continue;
        auto lines = ripaion::conv::encode_game(game.value());
        if (!lines.ok()) continue;
        std::string text;
        for (std::size_t i = 0; i < lines.value().count(); ++i) {
            text += lines.value().line(i);
            text += '\n';
        }
        texts.push_back(std::move(text));
    }
    convert_seconds = thread_seconds() - t0;
    return texts;
}

// Compressed size of `text` as one gzip member, 0 on failure.
using Compress = std::function<std::size_t(const std::string& text, int level)>;

std::size_t zlib_gzip(const std::string& text, int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return 0;
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = deflate(&z, Z_FINISH);
    const std::size_t size = z.total_out;
    deflateEnd(&z);
    return r == Z_STREAM_END ? size : 0;
}

std::size_t module_gzip(const std::string& text, int level) {
    auto m = ripaion::gzip::gzip_member(text, level);
    return m.ok() ? m.value().size() : 0;
}

// A new libdeflate compressor per text: what keeping one per thread saves.
std::size_t libdeflate_fresh(const std::string& text, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    std::string out(libdeflate_gzip_compress_bound(c, text.size()), '\0');
    const std::size_t size = libdeflate_gzip_compress(c, text.data(), text.size(), out.data(), out.size());
    libdeflate_free_compressor(c);
    return size;
}

#ifdef RIPAION_BENCH_ISAL
std::size_t isal_gzip(const std::string& text, int level) {
    static const unsigned level_buf_size[] = {ISAL_DEF_LVL0_DEFAULT, ISAL_DEF_LVL1_DEFAULT, ISAL_DEF_LVL2_DEFAULT,
                                              ISAL_DEF_LVL3_DEFAULT};
    thread_local std::vector<unsigned char> level_buf(ISAL_DEF_LVL3_DEFAULT);
    isal_zstream z;
    isal_deflate_init(&z);
    z.level = static_cast<uint32_t>(level);
    z.level_buf = level_buf.data();
    z.level_buf_size = level_buf_size[level];
    z.gzip_flag = IGZIP_GZIP;
    z.end_of_stream = 1;
    z.flush = NO_FLUSH;
    std::string out(text.size() + text.size() / 8 + 1024, '\0');
    z.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uint32_t>(text.size());
    z.next_out = reinterpret_cast<uint8_t*>(out.data());
    z.avail_out = static_cast<uint32_t>(out.size());
    if (isal_deflate(&z) != COMP_OK || z.internal_state.state != ZSTATE_END) return 0;
    return z.total_out;
}
#endif

struct Implementation {
    const char* name;
    std::vector<int> levels;
    Compress compress;
};

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const bench::fs::path dir = argc > 1 ? argv[1] : "/work/shared/corpus/tenhou4-xml";
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    double convert_seconds = 0;
    const auto texts = mjai_texts(bench::load_logs(dir), convert_seconds);
    if (texts.empty()) {
        std::fprintf(stderr, "no log converted below %s\n", dir.c_str());
        return 1;
    }
    std::size_t raw = 0;
    for (const auto& t : texts) raw += t.size();
    const double n = static_cast<double>(texts.size());
    std::printf("%zu logs, %.1f MB of mjai text (mean %.1f kB), conversion %.0f us per log\n", texts.size(),
                raw / 1e6, raw / 1e3 / n, 1e6 * convert_seconds / n);

    std::vector<Implementation> impls = {
        {"zlib", {1, 2, 3, 4, 5, 6, 7, 8, 9}, zlib_gzip},
        {"libdeflate (module)", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, module_gzip},
        {"libdeflate, new state per log", {4, 5, 6}, libdeflate_fresh},
#ifdef RIPAION_BENCH_ISAL
        {"isa-l (igzip)", {0, 1, 2, 3}, isal_gzip},
#endif
    };
    // zlib 6 (what `ripaion --gzip` used before) first: the other rows are
    // given against it.
    const auto measure = [&](const Implementation& impl, int level, double& best, std::size_t& size) {
        best = 1e30;
        for (int r = 0; r < repeats; ++r) {
            size = 0;
            const double t0 = thread_seconds();
            for (const auto& t : texts) {
                const std::size_t s = impl.compress(t, level);
                if (s == 0) return false;
                size += s;
            }
            best = std::min(best, thread_seconds() - t0);
        }
        return true;
    };
    double zlib6_time = 0;
    std::size_t zlib6_size = 0;
    if (!measure(impls[0], 6, zlib6_time, zlib6_size)) return 1;
    std::printf("%-30s %5s %10s %8s %10s %12s\n", "implementation", "level", "us/log", "ratio", "vs zlib 6",
                "time/zlib 6");
    for (const auto& impl : impls) {
        for (int level : impl.levels) {
            double best = 0;
            std::size_t size = 0;
            if (!measure(impl, level, best, size)) {
                std::fprintf(stderr, "%s level %d failed\n", impl.name, level);
                return 1;
            }
            std::printf("%-30s %5d %10.1f %8.4f %+9.1f%% %11.2fx\n", impl.name, level, 1e6 * best / n,
                        static_cast<double>(size) / raw, 100.0 * (static_cast<double>(size) / zlib6_size - 1),
                        best / zlib6_time);
        }
    }
    return 0;
}
