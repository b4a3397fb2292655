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

model::RawLog game(std::vector<model::HandRecord> hands, std::string disp = "") {
    model::RawLog log;
    log.log = std::move(hands);
    log.name = {"A", "B", "C", "D"};
    log.rule.disp = std::move(disp);
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

TEST(Driver, RuleTextChecks) {
    struct Case {
        const char* disp;
        const char* expected;  // "invalid log", or kyoku_first
    };
    const Case cases[] = {
        {"", "0"},
        {"\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", "0"},   // phoenix south, open tanyao, red
        {"\xE9\xB3\xB3\xE6\x9D\xB1\xE5\x96\xB0\xE8\xB5\xA4", "4"},   // phoenix east
        {"\xE4\xB8\x89\xE9\xB3\xB3\xE5\x8D\x97\xE5\x96\xB0\xE8\xB5\xA4", "invalid log"},
        {"\xE6\x9D\xB1\xE4\xB8\x89", "invalid log"},                   // east and three
        {"3-Player East", "invalid log"},
        {"3-player East", "4"},
        {"Eastern", "4"},
        {"east", "0"},
        {"South", "0"},
    };
    for (const auto& c : cases) {
        auto r = oracle::convert_log(game({}, c.disp));
        const std::string got = r ? std::to_string(std::get<mjai::StartGame>(r.value()[0]).kyoku_first) : "invalid log";
        if (!r) {
            EXPECT_EQ(r.error().kind, ConvertErrorKind::TenhouLogParsing);
        }
        EXPECT_EQ(got, c.expected) << c.disp;
    }
}

TEST(Driver, AkaFlagWithoutWrapAround) {
    struct Case {
        std::uint8_t aka, aka51, aka52, aka53;
        bool expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, false}, {1, 0, 0, 0, true},     {0, 1, 1, 1, true},
        {0, 0, 0, 1, true},  {128, 128, 0, 0, true}, {255, 255, 255, 255, true},
    };
    for (const auto& c : cases) {
        model::RawLog log = game({});
        log.rule.aka = c.aka;
        log.rule.aka51 = c.aka51;
        log.rule.aka52 = c.aka52;
        log.rule.aka53 = c.aka53;
        auto r = oracle::convert_log(std::move(log));
        ASSERT_TRUE(r);
        EXPECT_EQ(std::get<mjai::StartGame>(r.value()[0]).aka_flag, c.expected) << int(c.aka) << " " << int(c.aka51);
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
        {"three-player text beats malformed win details", game({malformed()}, "\xE4\xB8\x89"), "invalid log"},
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
