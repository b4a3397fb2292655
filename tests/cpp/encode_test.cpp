#include <gtest/gtest.h>

#include <string>

#include "full_event_oracle.hpp"
#include "ripaion/mjai/encode.hpp"

using namespace ripaion::mjai;
using oracle::event_line;

namespace {

Tile T(unsigned code) { return *tile_from_tenhou_code(code); }

struct LineCase {
    Event event;
    const char* line;
};

}  // namespace

TEST(Encode, EveryKindWithItsMemberOrder) {
    StartKyoku sk{};
    sk.bakaze = T(42);
    sk.dora_marker = T(53);
    sk.kyoku = 2;
    sk.honba = 100;
    sk.kyotaku = 0;
    sk.oya = 1;
    sk.scores = {25000, -2147483648, 0, 2147483647};
    for (unsigned s = 0; s < 4; ++s)
        for (unsigned i = 0; i < 13; ++i) sk.tehais[s][i] = i == 0 ? T(0) : T(11 + s * 10 > 41 ? 41 : 11 + s * 10);
    const char* sk_line =
        "{\"type\":\"start_kyoku\",\"bakaze\":\"S\",\"dora_marker\":\"5sr\",\"kyoku\":2,\"honba\":100,"
        "\"kyotaku\":0,\"oya\":1,\"scores\":[25000,-2147483648,0,2147483647],\"tehais\":["
        "[\"?\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\",\"1m\"],"
        "[\"?\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\",\"1p\"],"
        "[\"?\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\",\"1s\"],"
        "[\"?\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\",\"E\"]]}";

    const LineCase cases[] = {
        {None{}, R"({"type":"none"})"},
        {StartGame{{"A", "B", "C", "D"}, 0, true},
         R"({"type":"start_game","names":["A","B","C","D"],"kyoku_first":0,"aka_flag":true})"},
        {StartGame{{"", "", "", ""}, 4, false},
         R"({"type":"start_game","names":["","","",""],"kyoku_first":4,"aka_flag":false})"},
        {sk, sk_line},
        {Tsumo{3, T(0)}, R"({"type":"tsumo","actor":3,"pai":"?"})"},
        {Dahai{2, T(51), false}, R"({"type":"dahai","actor":2,"pai":"5mr","tsumogiri":false})"},
        {Chi{1, 0, T(13), {T(14), T(15)}}, R"({"type":"chi","actor":1,"target":0,"pai":"3m","consumed":["4m","5m"]})"},
        {Pon{2, 0, T(12), {T(12), T(12)}}, R"({"type":"pon","actor":2,"target":0,"pai":"2m","consumed":["2m","2m"]})"},
        {Daiminkan{0, 3, T(39), {T(39), T(39), T(39)}},
         R"({"type":"daiminkan","actor":0,"target":3,"pai":"9s","consumed":["9s","9s","9s"]})"},
        {Kakan{3, T(37), {T(37), T(37), T(37)}}, R"({"type":"kakan","actor":3,"pai":"7s","consumed":["7s","7s","7s"]})"},
        {Ankan{0, {T(47), T(47), T(47), T(47)}}, R"({"type":"ankan","actor":0,"consumed":["C","C","C","C"]})"},
        {Dora{T(45)}, R"({"type":"dora","dora_marker":"P"})"},
        {Reach{1}, R"({"type":"reach","actor":1})"},
        {ReachAccepted{255}, R"({"type":"reach_accepted","actor":255})"},
        {Hora{0, 0, Deltas{7800, -2600, -2600, -2600}, std::vector<Tile>{T(29)}},
         R"({"type":"hora","actor":0,"target":0,"deltas":[7800,-2600,-2600,-2600],"ura_markers":["9p"]})"},
        {Hora{2, 1, std::nullopt, std::nullopt}, R"({"type":"hora","actor":2,"target":1})"},
        {Hora{2, 1, std::nullopt, std::vector<Tile>{}}, R"({"type":"hora","actor":2,"target":1,"ura_markers":[]})"},
        {Ryukyoku{std::nullopt}, R"({"type":"ryukyoku"})"},
        {Ryukyoku{Deltas{0, 0, -1500, 1500}}, R"({"type":"ryukyoku","deltas":[0,0,-1500,1500]})"},
        {EndKyoku{}, R"({"type":"end_kyoku"})"},
        {EndGame{}, R"({"type":"end_game"})"},
    };
    for (const auto& c : cases) EXPECT_EQ(event_line(c.event), c.line);
}

TEST(Encode, NameEscaping) {
    struct Case {
        std::string name;
        std::string json;
    };
    const Case cases[] = {
        {"a\"b", R"("a\"b")"},
        {"a\\b", R"("a\\b")"},
        {"\t", R"("\t")"},
        {"\b\f\n\r", R"("\b\f\n\r")"},
        {std::string("\x01\x1b\x1f", 3), R"("\u0001\u001b\u001f")"},
        {std::string("\0", 1), R"("\u0000")"},
        {"a/b\x7f", "\"a/b\x7f\""},
        {"\xe6\x9d\xb1\xe5\x8d\x97", "\"\xe6\x9d\xb1\xe5\x8d\x97\""},
        {"", R"("")"},
    };
    for (const auto& c : cases) {
        std::string out;
        write_json_string(c.name, out);
        EXPECT_EQ(out, c.json);
        const std::string line = event_line(StartGame{{c.name, "b", "c", "d"}, 0, false});
        EXPECT_NE(line.find(c.json), std::string::npos);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line.find('\r'), std::string::npos);
    }
}

TEST(Encode, AppendsWithoutTouchingWhatIsThere) {
    std::string out = "prefix|";
    ASSERT_TRUE(encode_event(EndGame{}, out).ok());
    ASSERT_TRUE(encode_event(Reach{0}, out).ok());
    EXPECT_EQ(out, R"(prefix|{"type":"end_game"}{"type":"reach","actor":0})");
}
