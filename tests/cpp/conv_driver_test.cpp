#include <gtest/gtest.h>

#include "test_support.hpp"
#include "ripaion/conv/convert.hpp"

using namespace support;
using conv::ConvertErrorKind;

namespace {

// A hand in which the dealer draws once and the hand ends: start_kyoku,
// tsumo, the result events, end_kyoku.
model::HandRecord short_hand(std::uint8_t kyoku_num) {
    model::HandRecord h;
    h.meta = {kyoku_num, 2, 1};
    h.scores = {25000, 24000, 26000, 25000};
    h.dora = tiles("21 22");
    h.ura = tiles("33");
    for (int s = 0; s < 4; ++s) {
        h.seats[s].haipai.fill(tile(11));
        h.seats[s].takes = items("41");
    }
    model::ResultItem label;
    label.kind = model::ResultItem::Kind::Label;
    label.label = "\xE6\xB5\x81\xE5\xB1\x80";
    h.results = {label};
    return h;
}

model::ResultItem malformed_win_details(std::vector<model::ResultItem>& results) {
    model::ResultItem win;
    win.kind = model::ResultItem::Kind::Label;
    win.label = "\xE5\x92\x8C\xE4\xBA\x86";
    model::ResultItem d;
    d.kind = model::ResultItem::Kind::Deltas;
    model::ResultItem empty;
    empty.kind = model::ResultItem::Kind::Details;
    results = {win, d, empty};
    return win;
}

model::RawLog game(std::vector<model::HandRecord> hands, bool three_player = false) {
    model::RawLog log;
    log.log = std::move(hands);
    log.name = {"A", "B", "C", "D"};
    log.rule.three_player = three_player;
    return log;
}

std::string outcome(model::RawLog log) {
    auto r = oracle::convert_log(std::move(log));
    if (!r) return r.error().kind == ConvertErrorKind::TenhouLogParsing ? "invalid log" : "failed to convert";
    return show(r.value());
}

}  // namespace

TEST(Driver, EmptyLogIsStartAndEndOfGame) {
    model::RawLog log = game({});
    log.name = {"", "", "", ""};
    auto r = oracle::convert_log(std::move(log));
    ASSERT_TRUE(r);
    ASSERT_EQ(r.value().size(), 2u);
    const auto& sg = std::get<mjai::StartGame>(r.value()[0]);
    EXPECT_EQ(sg.names, (std::array<std::string, 4>{"", "", "", ""}));
    EXPECT_EQ(sg.kyoku_first, 0);
    EXPECT_FALSE(sg.aka_flag);
    EXPECT_TRUE(std::holds_alternative<mjai::EndGame>(r.value()[1]));
}

TEST(Driver, GameFrameFromTheRuleFacts) {
    struct Case {
        bool three_player, east_only, red_fives;
        const char* expected;  // "invalid log", or kyoku_first and aka_flag
    };
    const Case cases[] = {
        {false, false, false, "0 false"},
        {false, true, false, "4 false"},
        {false, false, true, "0 true"},
        {false, true, true, "4 true"},
        {true, false, false, "invalid log"},
        {true, true, true, "invalid log"},
    };
    for (const auto& c : cases) {
        model::RawLog log = game({});
        log.rule.three_player = c.three_player;
        log.rule.east_only = c.east_only;
        log.rule.red_fives = c.red_fives;
        // The text is the JSON reader's to read; the conversion never looks at it.
        log.rule.disp = "\xE4\xB8\x89\xE6\x9D\xB1 3-Player East";
        log.rule.aka = 1;
        auto r = oracle::convert_log(std::move(log));
        std::string got = "invalid log";
        if (r) {
            const auto& sg = std::get<mjai::StartGame>(r.value()[0]);
            got = std::to_string(sg.kyoku_first) + (sg.aka_flag ? " true" : " false");
        } else {
            EXPECT_EQ(r.error().kind, ConvertErrorKind::TenhouLogParsing);
        }
        EXPECT_EQ(got, c.expected) << c.three_player << c.east_only << c.red_fives;
    }
}

TEST(Driver, HandFrameFromTheHandCounter) {
    struct Case {
        std::uint8_t kyoku_num;
        const char* bakaze;
        int kyoku, oya;
    };
    const Case cases[] = {{0, "E", 1, 0},  {5, "S", 2, 1},  {11, "W", 4, 3}, {12, "N", 1, 0},
                          {15, "N", 4, 3}, {20, "N", 1, 0}, {255, "N", 4, 3}};
    for (const auto& c : cases) {
        auto r = oracle::convert_log(game({short_hand(c.kyoku_num)}));
        ASSERT_TRUE(r) << int(c.kyoku_num);
        const auto& ev = r.value();
        ASSERT_EQ(ev.size(), 6u);
        const auto& sk = std::get<mjai::StartKyoku>(ev[1]);
        EXPECT_EQ(name(sk.bakaze), c.bakaze) << int(c.kyoku_num);
        EXPECT_EQ(sk.kyoku, c.kyoku) << int(c.kyoku_num);
        EXPECT_EQ(sk.oya, c.oya) << int(c.kyoku_num);
        // the dealer has the first turn
        EXPECT_EQ(show(ev[2]), "tsumo " + std::to_string(c.oya) + " E") << int(c.kyoku_num);
    }
}

TEST(Driver, HandValuesPassThrough) {
    model::HandRecord h = short_hand(1);
    h.scores = {-2147483647 - 1, 0, 100, 2147483647};
    const auto unsorted = tiles("47 11 0 53 29 11 12 13 14 15 16 17 18");
    for (int i = 0; i < 13; ++i) h.seats[2].haipai[i] = unsorted[i];
    auto r = oracle::convert_log(game({h, short_hand(2)}));
    ASSERT_TRUE(r);
    const auto& ev = r.value();
    EXPECT_EQ(show(ev), "start_game, start_kyoku, tsumo 1 E, ryukyoku [0 0 0 0], end_kyoku, "
                        "start_kyoku, tsumo 2 E, ryukyoku [0 0 0 0], end_kyoku, end_game");
    const auto& sk = std::get<mjai::StartKyoku>(ev[1]);
    EXPECT_EQ(sk.scores, h.scores);
    EXPECT_EQ(sk.honba, 2);
    EXPECT_EQ(sk.kyotaku, 1);
    EXPECT_EQ(name(sk.dora_marker), "1p");
    EXPECT_EQ(names(sk.tehais[2]), "[C 1m ? 5sr 9p 1m 2m 3m 4m 5m 6m 7m 8m]");
    EXPECT_EQ(names(sk.tehais[0]), "[1m 1m 1m 1m 1m 1m 1m 1m 1m 1m 1m 1m 1m]");
    // scores are the hand's own, never carried over
    EXPECT_EQ(std::get<mjai::StartKyoku>(ev[5]).scores, (std::array<std::int32_t, 4>{25000, 24000, 26000, 25000}));
    EXPECT_EQ(std::get<mjai::StartGame>(ev[0]).names, (std::array<std::string, 4>{"A", "B", "C", "D"}));
}

TEST(Driver, WhichFailureWins) {
    auto no_dora = [] {
        model::HandRecord h = short_hand(0);
        h.dora.clear();
        return h;
    };
    auto malformed = [] {
        model::HandRecord h = short_hand(1);
        malformed_win_details(h.results);
        return h;
    };
    auto bad_notation = [] {
        model::HandRecord h = short_hand(1);
        h.seats[3].discards = items("bad");
        return h;
    };
    struct Case {
        const char* what;
        model::RawLog log;
        const char* expected;
    };
    Case cases[] = {
        {"malformed win of a later hand beats an empty dora list of an earlier one",
         game({no_dora(), short_hand(1), malformed()}), "invalid log"},
        {"three players beat malformed win details", game({malformed()}, true), "invalid log"},
        {"empty dora list in any hand fails the whole game", game({short_hand(0), no_dora()}), "failed to convert"},
        {"bad notation", game({short_hand(0), bad_notation()}), "failed to convert"},
        {"bad notation even where the walk would not reach", game({bad_notation()}), "failed to convert"},
    };
    for (auto& c : cases) EXPECT_EQ(outcome(std::move(c.log)), c.expected) << c.what;
}

TEST(Driver, WinsAndUraInTheStream) {
    model::HandRecord h = short_hand(0);
    model::ResultItem win, d, w;
    win.kind = model::ResultItem::Kind::Label;
    win.label = "\xE5\x92\x8C\xE4\xBA\x86";
    d.kind = model::ResultItem::Kind::Deltas;
    d.deltas = {12000, -4000, -4000, -4000};
    w.kind = model::ResultItem::Kind::Details;
    w.details.resize(2);
    w.details[0].kind = w.details[1].kind = model::JsonValue::Kind::UInt;
    h.results = {win, d, w};
    EXPECT_EQ(outcome(game({h})), "start_game, start_kyoku, tsumo 0 E, hora 0 from 0 [12000 -4000 -4000 -4000] ura [3s], "
                                  "end_kyoku, end_game");
}
