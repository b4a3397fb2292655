// The rule's facts a JSON log's rule record gives: three players and East
// only from the display text, red fives from the four counts, the room from
// the text's first character.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ripaion/model/raw_log.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace {

using ripaion::model::Room;
using ripaion::model::Rule;

Rule read_rule(const std::string& rule_json) {
    auto r = ripaion::tenhou::parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":)" + rule_json + "}");
    EXPECT_TRUE(r.ok()) << rule_json;
    return r.ok() ? r.value().rule : Rule{};
}

std::string disp_rule(const std::string& disp) { return R"({"disp":")" + disp + R"("})"; }

TEST(ReaderRuleFacts, FromTheDisplayText) {
    struct Case {
        const char* disp;
        bool three_player, east_only;
        std::optional<Room> room;
    };
    const Case cases[] = {
        {"", false, false, std::nullopt},
        {"\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", false, false, Room::Phoenix},      // 鳳南喰赤
        {"\xE9\xB3\xB3\xE6\x9D\xB1\xE5\x96\xB0\xE8\xB5\xA4", false, true, Room::Phoenix},       // 鳳東喰赤
        {"\xE8\x88\xAC\xE6\x9D\xB1\xE5\x96\xB0", false, true, Room::General},                   // 般東喰
        {"\xE4\xB8\x8A\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", false, false, Room::Upper},        // 上南喰赤
        {"\xE7\x89\xB9\xE6\x9D\xB1\xE5\x96\xB0\xE8\xB5\xA4\xE9\x80\x9F", false, true, Room::Special},  // 特東喰赤速
        {"\xE4\xB8\x89\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", true, false, std::nullopt},   // 三鳳南喰赤
        {"\xE6\x9D\xB1\xE4\xB8\x89", true, true, std::nullopt},                                // east and three
        {"\xE5\xA4\xA7\xE4\xBC\x9A\xE6\x88\xA6\xE5\x8D\x97\xE5\x96\xB0", false, false, std::nullopt},  // 大会戦南喰
        {"\xE5\x8D\x97\xE9\xB3\xB3", false, false, std::nullopt},  // the room's character only counts first
        {"3-Player East", true, true, std::nullopt},
        {"3-player East", false, true, std::nullopt},
        {"Eastern", false, true, std::nullopt},
        {"east", false, false, std::nullopt},
        {"Phoenix South", false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        const Rule rule = read_rule(disp_rule(c.disp));
        EXPECT_EQ(rule.three_player, c.three_player) << c.disp;
        EXPECT_EQ(rule.east_only, c.east_only) << c.disp;
        EXPECT_EQ(rule.room, c.room) << c.disp;
    }
}

TEST(ReaderRuleFacts, RedFivesFromAnyCountWithoutWrapAround) {
    struct Case {
        const char* rule;
        bool red_fives;
    };
    const Case cases[] = {
        {"{}", false},
        {R"({"aka":0,"aka51":0,"aka52":0,"aka53":0})", false},
        {R"({"aka":1})", true},
        {R"({"aka51":1,"aka52":1,"aka53":1})", true},
        {R"({"aka53":1})", true},
        {R"({"aka":128,"aka51":128})", true},
        {R"({"aka":255,"aka51":255,"aka52":255,"aka53":255})", true},
        {R"(["x",0,0,0,1])", true},
    };
    for (const Case& c : cases) EXPECT_EQ(read_rule(c.rule).red_fives, c.red_fives) << c.rule;
}

}  // namespace
