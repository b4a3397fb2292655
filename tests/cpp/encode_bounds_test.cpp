// Lines as long as their contents make them: the encoder sizes its buffer
// from the event, so the longest texts and lists must come out whole.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "full_event_oracle.hpp"
#include "ripaion/mjai/encode.hpp"

namespace {

using namespace ripaion::mjai;
using oracle::event_line;

TEST(EncodeBounds, NamesThatEscapeToSixBytesEach) {
    const std::string controls(10000, '\x01');
    const std::string quotes(3000, '"');
    const std::string line = event_line(StartGame{{controls, quotes, "", std::string(1, '\x1f')}, 255, true});
    std::string expected = R"({"type":"start_game","names":[")";
    for (int i = 0; i < 10000; ++i) expected += "\\u0001";
    expected += R"(",")";
    for (int i = 0; i < 3000; ++i) expected += "\\\"";
    expected += R"(","","\u001f"],"kyoku_first":255,"aka_flag":true})";
    EXPECT_EQ(line, expected);
}

TEST(EncodeBounds, LongUraListAndExtremeNumbers) {
    std::vector<Tile> ura(5000, Tile{34});  // 5mr, the longest tile name
    const std::string line = event_line(Hora{255, 255, Deltas{-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1}, ura});
    std::string expected =
        R"({"type":"hora","actor":255,"target":255,"deltas":[-2147483648,-2147483648,-2147483648,-2147483648],"ura_markers":[)";
    for (int i = 0; i < 5000; ++i) expected += i ? R"(,"5mr")" : R"("5mr")";
    expected += "]}";
    EXPECT_EQ(line, expected);
}

TEST(EncodeBounds, LinesAppendAfterWhatTheBufferHolds) {
    std::string out = "prefix";
    ASSERT_TRUE(encode_event(Reach{3}, out));
    ASSERT_TRUE(encode_event(StartGame{{"a", "b", "c", "d"}, 0, false}, out));
    EXPECT_EQ(out, R"(prefix{"type":"reach","actor":3}{"type":"start_game","names":["a","b","c","d"],"kyoku_first":0,"aka_flag":false})");
    std::string s = "x";
    write_json_string("a\tb", s);
    EXPECT_EQ(s, R"(x"a\tb")");
}

}  // namespace

namespace {

TEST(EncodeBounds, LongestStartKyoku) {
    StartKyoku sk{};
    sk.bakaze = Tile{34};
    sk.dora_marker = Tile{35};
    sk.kyoku = sk.honba = sk.kyotaku = sk.oya = 255;
    sk.scores = {-2147483647 - 1, -2147483647 - 1, -2147483647 - 1, -2147483647 - 1};
    for (auto& row : sk.tehais) row.fill(Tile{36});
    const std::string line = event_line(sk);
    std::string row = "[";
    for (int i = 0; i < 13; ++i) row += i ? R"(,"5sr")" : R"("5sr")";
    row += "]";
    const std::string expected = R"({"type":"start_kyoku","bakaze":"5mr","dora_marker":"5pr","kyoku":255,"honba":255,"kyotaku":255,"oya":255,"scores":[-2147483648,-2147483648,-2147483648,-2147483648],"tehais":[)" +
                                 row + "," + row + "," + row + "," + row + "]}";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 495u);
}

}  // namespace
