// The stream checker over real conversions: every shipped log's output checks
// clean, and each kind of damage, made by editing one of those outputs, is
// reported with its kind at the line where it stands.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_files.hpp"
#include "full_event_oracle.hpp"
#include "ripaion/check/known_lines.hpp"
#include "ripaion/check/stream_check.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/tenhou/reader.hpp"

using namespace ripaion;
using check::ProblemKind;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const fs::path kLogs = fs::path(RIPAION_TEST_DATA_DIR) / "logs";
// Holds every kind of turn event but daiminkan: chi, pon, kakan, ankan,
// reach, ron and tsumo wins, an exhaustive draw.
const char* const kRichLog = "2019021004gm-00a9-0000-e2f6516d.json";

Lines convert(const fs::path& p) {
    auto log = tenhou::parse_raw_log(support::read_file(p));
    if (!log.ok()) return {};
    auto game = conv::convert_game(std::move(log).value());
    if (!game.ok()) return {};
    auto lines = conv::encode_game(game.value());
    if (!lines.ok()) return {};
    Lines out;
    for (std::size_t i = 0; i < lines.value().count(); ++i) out.emplace_back(lines.value().line(i));
    return out;
}

std::string joined(const Lines& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

bool is(const std::string& line, std::string_view type) {
    return line.rfind("{\"type\":\"" + std::string(type) + "\"", 0) == 0;
}

// Index of the first line of `type` at or after `from` for which `also` holds.
std::size_t find(const Lines& l, std::string_view type, std::size_t from = 0,
                 const std::function<bool(std::size_t)>& also = nullptr) {
    for (std::size_t i = from; i < l.size(); ++i) {
        if (is(l[i], type) && (!also || also(i))) return i;
    }
    ADD_FAILURE() << "no " << type << " line";
    return l.size() - 1;
}

std::string json_text(std::string_view t) { return std::string(1, '"').append(t).append(1, '"'); }

// The integer member `name` of a line written by the encoder.
int member(const std::string& line, std::string_view name) {
    const auto at = line.find(json_text(name) + ':');
    return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + name.size() + 3);
}

std::string text_member(const std::string& line, std::string_view name) {
    const auto at = line.find(json_text(name).append(":\""));
    if (at == std::string::npos) return {};
    const auto start = at + name.size() + 4;
    return line.substr(start, line.find('"', start) - start);
}

void set_member(std::string& line, std::string_view name, const std::string& value) {
    const std::string key = json_text(name) + ':';
    const auto at = line.find(key);
    ASSERT_NE(at, std::string::npos) << line;
    const auto start = at + key.size();
    const auto end = line.find_first_of(",}", start);
    line.replace(start, end - start, value);
}

void erase_member(std::string& line, std::string_view name) {
    const auto at = line.find(",\"" + std::string(name) + "\":");
    ASSERT_NE(at, std::string::npos) << line;
    line.erase(at, line.find_first_of(",}", at + 1) - at);
}

// Replaces the first `n` tiles of seat 0's starting hand.
void set_first_tiles(std::string& start_kyoku, const std::vector<std::string>& tiles) {
    auto at = start_kyoku.find("\"tehais\":[[") + 11;
    for (const auto& t : tiles) {
        const auto end = start_kyoku.find(',', at);
        start_kyoku.replace(at, end - at, json_text(t));
        at = start_kyoku.find(',', at) + 1;
    }
}

struct Damage {
    const char* name;
    ProblemKind kind;
    // Edits the lines and returns the 0-based index of the line to report.
    std::function<std::size_t(Lines&)> edit;
};

const std::vector<Damage>& damages() {
    static const std::vector<Damage> d = {
        {"truncated_line", ProblemKind::Json,
         [](Lines& l) { auto i = find(l, "tsumo"); l[i].pop_back(); return i; }},
        {"array_line", ProblemKind::Json,
         [](Lines& l) { auto i = find(l, "dahai"); l[i] = "[" + l[i] + "]"; return i; }},
        {"two_objects_on_a_line", ProblemKind::Json,
         [](Lines& l) { auto i = find(l, "dahai", 40); l[i] += l[i]; return i; }},
        {"blank_line", ProblemKind::Json,
         [](Lines& l) { l.insert(l.begin() + 7, ""); return std::size_t{7}; }},
        {"invalid_utf8", ProblemKind::Json,
         [](Lines& l) { auto i = find(l, "tsumo", 9); l[i].insert(9, 1, '\xff'); return i; }},
        {"unknown_type", ProblemKind::Type,
         [](Lines& l) { auto i = find(l, "tsumo", 30); set_member(l[i], "type", "\"draw\""); return i; }},
        {"missing_tsumogiri", ProblemKind::Field,
         [](Lines& l) { auto i = find(l, "dahai", 50); erase_member(l[i], "tsumogiri"); return i; }},
        {"actor_not_a_seat", ProblemKind::Field,
         [](Lines& l) { auto i = find(l, "tsumo", 50); set_member(l[i], "actor", "4"); return i; }},
        {"pai_not_a_tile", ProblemKind::Field,
         [](Lines& l) { auto i = find(l, "dahai", 60); set_member(l[i], "pai", "\"0m\""); return i; }},
        {"chi_with_three_consumed", ProblemKind::Field,
         [](Lines& l) {
             auto i = find(l, "chi");
             l[i].replace(l[i].find("\"consumed\":[") + 12, 0, "\"1m\",");
             return i;
         }},
        {"no_start_game", ProblemKind::Frame,
         [](Lines& l) { l.erase(l.begin()); return std::size_t{0}; }},
        {"missing_end_kyoku", ProblemKind::Frame,
         [](Lines& l) { auto i = find(l, "end_kyoku"); l.erase(l.begin() + i); return i; }},
        {"missing_end_game", ProblemKind::Frame,
         [](Lines& l) { l.pop_back(); return l.size() - 1; }},
        {"event_after_end_game", ProblemKind::Frame,
         [](Lines& l) { l.push_back(l[l.size() - 2]); return l.size() - 1; }},
        {"draw_before_the_discard", ProblemKind::Draw,
         [](Lines& l) {
             auto i = find(l, "dahai", 20, [&](std::size_t k) { return is(l[k + 1], "tsumo"); });
             std::swap(l[i], l[i + 1]);
             return i;
         }},
        {"discard_out_of_turn", ProblemKind::Discard,
         [](Lines& l) {
             auto i = find(l, "dahai", 70);
             set_member(l[i], "actor", std::to_string((member(l[i], "actor") + 1) % 4));
             return i;
         }},
        {"discard_of_a_tile_not_held", ProblemKind::Discard,
         [](Lines& l) {
             // The first discard of the game is the dealer's (seat 0).
             auto i = find(l, "dahai");
             const auto row = l[1].substr(l[1].find("\"tehais\":[["), 80);
             for (const char* t : {"C", "F", "P", "N", "W", "S", "E", "9s", "1s", "9p", "1p"}) {
                 if (row.find(json_text(t)) == std::string::npos && text_member(l[i - 1], "pai") != t) {
                     set_member(l[i], "pai", json_text(t));
                     set_member(l[i], "tsumogiri", "false");
                     break;
                 }
             }
             return i;
         }},
        {"call_moved_before_the_discard", ProblemKind::Call,
         [](Lines& l) { auto i = find(l, "pon"); std::swap(l[i - 1], l[i]); return i - 1; }},
        {"call_from_the_wrong_seat", ProblemKind::Call,
         [](Lines& l) {
             auto i = find(l, "pon");
             const int actor = member(l[i], "actor"), target = member(l[i], "target");
             int other = (target + 1) % 4;
             if (other == actor) other = (other + 1) % 4;
             set_member(l[i], "target", std::to_string(other));
             return i;
         }},
        {"chi_not_from_the_left", ProblemKind::Call,
         [](Lines& l) {
             auto i = find(l, "chi");
             set_member(l[i], "actor", std::to_string((member(l[i], "target") + 2) % 4));
             return i;
         }},
        {"ankan_of_mixed_tiles", ProblemKind::Kan,
         [](Lines& l) {
             auto i = find(l, "ankan");
             const auto at = l[i].find("\"consumed\":[\"") + 13;
             l[i].replace(at, l[i].find('"', at) - at, l[i].compare(at, 2, "9s") == 0 ? "1s" : "9s");
             return i;
         }},
        {"kakan_without_its_pon", ProblemKind::Kan,
         [](Lines& l) {
             auto i = find(l, "kakan");
             // The pon the kakan extends becomes a chi-free, pon-free claim: drop
             // the kakan's tile kind by naming another.
             const std::string pai = text_member(l[i], "pai");
             const std::string other = pai == "C" ? "F" : "C";
             set_member(l[i], "pai", json_text(other));
             for (std::size_t k = 0; k < 3; ++k) {
                 const auto at = l[i].find(json_text(pai), l[i].find("\"consumed\""));
                 l[i].replace(at + 1, pai.size(), other);
             }
             return i;
         }},
        {"ron_on_a_seat_that_did_not_discard", ProblemKind::Hora,
         [](Lines& l) {
             auto i = find(l, "hora", 0, [&](std::size_t k) { return member(l[k], "actor") != member(l[k], "target"); });
             const int actor = member(l[i], "actor"), target = member(l[i], "target");
             int other = (target + 1) % 4;
             if (other == actor) other = (other + 1) % 4;
             set_member(l[i], "target", std::to_string(other));
             return i;
         }},
        {"tsumogiri_of_another_tile", ProblemKind::Tsumogiri,
         [](Lines& l) {
             auto i = find(l, "dahai", 0, [&](std::size_t k) {
                 return is(l[k - 1], "tsumo") && l[k].find("\"tsumogiri\":false") != std::string::npos &&
                        text_member(l[k - 1], "pai") != text_member(l[k], "pai");
             });
             set_member(l[i], "tsumogiri", "true");
             return i;
         }},
        {"reach_without_its_discard", ProblemKind::Riichi,
         [](Lines& l) { auto i = find(l, "reach"); l.erase(l.begin() + i + 1); return i + 1; }},
        {"reach_accepted_without_reach", ProblemKind::Riichi,
         [](Lines& l) {
             auto i = find(l, "reach");
             l.erase(l.begin() + i);
             return find(l, "reach_accepted", i);
         }},
        {"five_of_a_tile", ProblemKind::TileCount,
         [](Lines& l) { set_first_tiles(l[1], {"1m", "1m", "1m", "1m", "1m"}); return std::size_t{1}; }},
        {"five_fives_with_a_red_one", ProblemKind::TileCount,
         [](Lines& l) { set_first_tiles(l[1], {"5p", "5pr", "5p", "5p", "5p"}); return std::size_t{1}; }},
        {"scores_that_do_not_follow", ProblemKind::Score,
         [](Lines& l) {
             auto i = find(l, "start_kyoku", 2);
             l[i].insert(l[i].find("\"scores\":[") + 10, 1, '1');
             return i;
         }},
        {"riichi_deposit_not_taken", ProblemKind::Deltas,
         [](Lines& l) {
             // The hand's reach and reach_accepted removed: the win that
             // ends the hand takes a deposit no longer on the table.
             auto r = find(l, "reach_accepted");
             l.erase(l.begin() + r);
             l.erase(l.begin() + find(l, "reach", 0, [&](std::size_t k) { return k + 1 < r; }));
             return find(l, "hora", r - 1);
         }},
    };
    return d;
}

class Damaged : public ::testing::TestWithParam<Damage> {};

}  // namespace

TEST(CheckStream, EveryShippedLogConvertsToAStreamThatChecksClean) {
    std::size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(kLogs)) {
        if (entry.path().extension() != ".json") continue;
        const Lines lines = convert(entry.path());
        ASSERT_FALSE(lines.empty()) << entry.path();
        const auto problem = check::check_stream(joined(lines));
        EXPECT_FALSE(problem.has_value()) << entry.path() << ": line " << problem->line << ": " << problem->message;
        ++checked;
    }
    EXPECT_GE(checked, 10u);
}

TEST_P(Damaged, IsReportedWithItsKindAtItsLine) {
    const Damage& d = GetParam();
    Lines lines = convert(kLogs / kRichLog);
    ASSERT_FALSE(lines.empty());
    ASSERT_FALSE(check::check_stream(joined(lines)).has_value());
    const std::size_t at = d.edit(lines);
    const auto problem = check::check_stream(joined(lines));
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(check::problem_label(problem->kind), check::problem_label(d.kind)) << problem->message;
    EXPECT_EQ(problem->line, at + 1) << problem->message << "\n" << lines[at];
    EXPECT_FALSE(problem->message.empty());
}

INSTANTIATE_TEST_SUITE_P(CheckStream, Damaged, ::testing::ValuesIn(damages()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CheckStream, LineEndingsAndLineByLineAgree) {
    const Lines lines = convert(kLogs / kRichLog);
    std::string crlf, unterminated = joined(lines);
    for (const auto& l : lines) crlf += l + "\r\n";
    unterminated.pop_back();
    EXPECT_FALSE(check::check_stream(crlf).has_value());
    EXPECT_FALSE(check::check_stream(unterminated).has_value());

    check::StreamChecker by_line;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) ASSERT_FALSE(by_line.line(lines[i]).has_value()) << i;
    const auto& problem = by_line.finish();
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(problem->line, lines.size() - 1);
    EXPECT_EQ(check::problem_label(problem->kind), "frame");
}

TEST(CheckStream, HostileTextIsAProblemNotACrash) {
    struct Case {
        std::string text;
        std::size_t line;
        const char* kind;
    };
    const std::string deep = "{\"type\":\"dora\",\"x\":" + std::string(200000, '[') + std::string(200000, ']') + "}";
    const Case cases[] = {
        {"", 1, "frame"},
        {"\n", 1, "json"},
        {deep, 1, "json"},
        {std::string("{\"type\":\"start_game\",\"names\":[\"a\",\"b\",\"c\",\"d\"]}\n{\"type\":\"") + std::string(5000, 'x') +
             "\"}",
         2, "type"},
        {"{\"type\":\"start_game\",\"names\":[\"a\",\"b\",\"c\",\"d\"],\"names\":[]}", 1, "field"},
        {"{\"type\":\"start_game\",\"names\":[\"a\",\"b\",\"c\",\"d\"],\"aka_flag\":1}", 1, "field"},
        {"{\"type\":\"start_game\",\"names\":[\"a\",\"b\",\"c\",\"d\"]}\n{\"type\":\"tsumo\",\"actor\":18446744073709551615,"
         "\"pai\":\"1m\"}",
         2, "field"},
        {"{\"type\":\"start_game\",\"names\":[\"a\",\"b\",\"c\",\"d\"],\"extra\":{\"deep\":[1,{\"x\":null}]}}\n"
         "{\"type\":\"end_game\"}",
         0, nullptr},
        {"{\"type\":1}", 1, "field"},
        {"\"start_game\"", 1, "json"},
        {"{\"type\":\"start_game\"} x", 1, "json"},
    };
    for (const auto& c : cases) {
        const auto problem = check::check_stream(c.text);
        if (!c.kind) {
            EXPECT_FALSE(problem.has_value()) << c.text.substr(0, 80) << ": " << problem->message;
            continue;
        }
        ASSERT_TRUE(problem.has_value()) << c.text.substr(0, 80);
        EXPECT_EQ(problem->line, c.line) << c.text.substr(0, 80);
        EXPECT_EQ(check::problem_label(problem->kind), c.kind) << c.text.substr(0, 80) << ": " << problem->message;
    }
}

TEST(CheckStream, RandomDamageNeverCrashes) {
    // Byte edits all over a real stream: whatever they break must come out as
    // a problem value (this runs under the sanitizers too).
    const std::string clean = joined(convert(kLogs / kRichLog));
    std::uint64_t state = 12345;
    const auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>(state >> 33);
    };
    const char bytes[] = "{}[]\",:0123456789\n\\ tf-\xff";
    std::size_t found = 0;
    for (int round = 0; round < 300; ++round) {
        std::string s = clean;
        for (int k = 0; k < 3; ++k) s[next() % s.size()] = bytes[next() % (sizeof bytes - 1)];
        if (const auto p = check::check_stream(s)) {
            ++found;
            EXPECT_GE(p->line, 1u);
            EXPECT_FALSE(p->message.empty());
        }
    }
    EXPECT_GT(found, 250u);
}

TEST(CheckStream, LinesReadWithoutTheParserReadAsTheParserReadsThem) {
    check::LineReader reader;
    std::string error;
    // Every line of the fixed table, and nothing else, is known.
    for (std::size_t id = 0; id < mjai::kFixedLineCount; ++id) {
        const std::string line = oracle::event_line(mjai::fixed_line_event(static_cast<mjai::FixedLineId>(id)));
        check::LineEvent fast, parsed;
        ASSERT_TRUE(check::read_known_line(line, fast)) << line;
        ASSERT_TRUE(reader.read(line, parsed, error)) << line;
        EXPECT_EQ(fast.type, parsed.type) << line;
        EXPECT_EQ(fast.present, parsed.present) << line;
        if (parsed.has(check::Field::Actor)) {
            EXPECT_EQ(fast.actor, parsed.actor) << line;
        }
        if (parsed.has(check::Field::Pai)) {
            EXPECT_EQ(fast.pai, parsed.pai) << line;
        }
        if (parsed.has(check::Field::DoraMarker)) {
            EXPECT_EQ(fast.dora_marker, parsed.dora_marker) << line;
        }
        if (parsed.has(check::Field::Tsumogiri)) {
            EXPECT_EQ(fast.tsumogiri, parsed.tsumogiri) << line;
        }
    }
    for (const mjai::Event& e : {mjai::Event{mjai::Tsumo{4, mjai::Tile{0}}}, mjai::Event{mjai::Ryukyoku{}},
                                 mjai::Event{mjai::StartGame{{"a", "b", "c", "d"}, 0, true}}}) {
        check::LineEvent unknown;
        EXPECT_FALSE(check::read_known_line(oracle::event_line(e), unknown)) << oracle::event_line(e);
    }
    check::LineEvent e;
    EXPECT_FALSE(check::read_known_line("{\"type\": \"end_kyoku\"}", e));
}
