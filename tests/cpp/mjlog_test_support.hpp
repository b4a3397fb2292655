// A log's event lines through the library, from JSON text or from an mjlog
// record, and where the pairs of both forms of one game are found.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_files.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/mjlog/read_mjlog.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace mjlogtest {

using namespace ripaion;

using support::read_file;

inline std::string gzip_of(const std::string& text) { return gzip::gzip_member(text, 1).value(); }

// The lines, or a text naming the stage that failed.
struct Lines {
    std::vector<std::string> lines;
    std::string failure;
};

inline Lines lines_of(model::RawLog log) {
    auto game = conv::convert_game(std::move(log));
    if (!game) return {{}, game.error().kind == conv::ConvertErrorKind::TenhouLogParsing ? "invalid log" : "convert"};
    auto lines = conv::encode_game(game.value());
    if (!lines) return {{}, "serialize"};
    Lines out;
    for (std::size_t i = 0; i < lines.value().count(); ++i) out.lines.emplace_back(lines.value().line(i));
    return out;
}

inline Lines json_lines(const std::string& text) {
    auto log = tenhou::parse_raw_log_bytes(text);
    if (!log) return {{}, "json parse"};
    return lines_of(std::move(log).value());
}

inline Lines mjlog_lines(std::string bytes) {
    auto log = mjlog::read_mjlog(std::move(bytes));
    if (!log) return {{}, "mjlog " + log.error().message};
    return lines_of(std::move(log).value());
}

// The shared corpus beside the repository (or beside a parent of it, for a
// work tree), when it is there.
inline std::optional<std::filesystem::path> shared_corpus() {
    std::filesystem::path dir = std::filesystem::absolute(RIPAION_SOURCE_DIR);
    for (int up = 0; up < 4 && dir.has_parent_path() && dir != dir.parent_path(); ++up) {
        dir = dir.parent_path();
        if (std::filesystem::is_directory(dir / "shared" / "corpus" / "mjlog")) return dir / "shared" / "corpus";
    }
    return std::nullopt;
}

struct Pair {
    std::filesystem::path xml, json;
};

// mjlog/<source>/<name>.<ext> with tenhou4-xml/<source>/<name>.json, and the
// Tenhou exports of mjlog2json-data.
inline std::vector<Pair> corpus_pairs(const std::filesystem::path& corpus) {
    std::vector<Pair> pairs;
    for (const auto& e : std::filesystem::recursive_directory_iterator(corpus / "mjlog")) {
        const auto ext = e.path().extension();
        if (!e.is_regular_file() || (ext != ".xml" && ext != ".mjlog")) continue;
        const std::string source = e.path().parent_path().filename().string();
        const std::string json_name = e.path().stem().string() + ".json";
        const auto json = source == "mjlog2json-data" ? corpus / "tenhou4" / source / json_name
                                                       : corpus / "tenhou4-xml" / source / json_name;
        pairs.push_back({e.path(), json});
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair& a, const Pair& b) { return a.xml < b.xml; });
    return pairs;
}

}  // namespace mjlogtest
