#include <gtest/gtest.h>

#include "test_support.hpp"
#include "ripaion/conv/turn_walk.hpp"

using namespace support;

namespace {

struct WalkCase {
    const char* what;
    HandSpec hand;
    const char* expected;
};

void expect_walks(const WalkCase& c) {
    const Walked w = walk(c.hand);
    EXPECT_EQ(w.events, c.expected) << c.what;
    EXPECT_EQ(w.attempts, 1) << c.what;
}

}  // namespace

TEST(TurnWalk, WorkedExample) {
    HandSpec h;
    h.takes = {"11", "p191919", "33", ""};
    h.discards = {"19", "25", "", ""};
    expect_walks({"pon of the dealer's discard",
                  h,
                  "tsumo 0 1m, dahai 0 9m, pon 1 from 0 9m [9m 9m], dahai 1 5p, tsumo 2 3s"});
}

TEST(TurnWalk, KanDoraTiming) {
    const WalkCase cases[] = {
        {"ankan: indicator right after the kan",
         {.takes = {"11 12", "", "", ""}, .discards = {"111111a11 13", "", "", ""}},
         "tsumo 0 1m, ankan 0 [1m 1m 1m 1m], dora 2p, tsumo 0 2m, dahai 0 3m"},
        {"daiminkan: indicator after the replacement draw",
         {.takes = {"11", "m15151515 16", "", ""}, .discards = {"15", "17", "", ""}},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], tsumo 1 6m, dora 2p, dahai 1 7m"},
        {"kakan: indicator after the replacement draw",
         {.takes = {"11 12", "", "", ""}, .discards = {"k11111111 13", "", "", ""}},
         "tsumo 0 1m, kakan 0 1m [1m 1m 1m], tsumo 0 2m, dora 2p, dahai 0 3m"},
        {"kakan right after a daiminkan's replacement draw",
         {.takes = {"11", "m15151515 16 17", "", ""}, .discards = {"15", "k16161616 18", "", ""}},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], tsumo 1 6m, kakan 1 6m [6m 6m 6m], dora 2p, "
         "tsumo 1 7m, dora 3p, dahai 1 8m"},
        {"ankan right after a daiminkan's replacement draw",
         {.takes = {"11", "m15151515 16 17", "", ""}, .discards = {"15", "161616a16 18", "", ""}},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], tsumo 1 6m, dora 2p, ankan 1 [6m 6m 6m 6m], "
         "dora 3p, tsumo 1 7m, dahai 1 8m"},
        {"daiminkan whose replacement draw ends the seat: no indicator needed",
         {.takes = {"11", "m15151515 16", "", ""}, .discards = {"15", "", "", ""}, .dora = "21"},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], tsumo 1 6m"},
        {"kakan whose replacement draw ends the seat: no indicator needed",
         {.takes = {"11 12", "", "", ""}, .discards = {"k11111111", "", "", ""}, .dora = "21"},
         "tsumo 0 1m, kakan 0 1m [1m 1m 1m], tsumo 0 2m"},
        {"a daiminkan taken as the replacement of another shows the first one's indicator",
         {.takes = {"11", "m15151515 m15151515 16", "", ""}, .discards = {"15", "17", "", ""}},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], dora 2p, daiminkan 1 from 0 5m [5m 5m 5m], "
         "tsumo 1 6m, dora 3p, dahai 1 7m"},
        {"a riichi keeps a kan's indicator pending; the next daiminkan shows it first",
         {.takes = {"11", "m15151515 16", "m17171717 18", ""}, .discards = {"15", "r17", "19", ""}},
         "tsumo 0 1m, dahai 0 5m, daiminkan 1 from 0 5m [5m 5m 5m], tsumo 1 6m, reach 1, dahai 1 7m, "
         "reach_accepted 1, dora 2p, daiminkan 2 from 1 7m [7m 7m 7m], tsumo 2 8m, dora 3p, dahai 2 9m"},
        {"an ankan that ends every take queue gets no indicator",
         {.takes = {"11", "", "", ""}, .discards = {"111111a11 13", "", "", ""}, .dora = "21"},
         "tsumo 0 1m, ankan 0 [1m 1m 1m 1m]"},
    };
    for (const auto& c : cases) expect_walks(c);
}

TEST(TurnWalk, RiichiAcceptance) {
    const WalkCase cases[] = {
        {"accepted before the next take",
         {.takes = {"11", "21", "", ""}, .discards = {"r12", "22", "", ""}},
         "tsumo 0 1m, reach 0, dahai 0 2m, reach_accepted 0, tsumo 1 1p, dahai 1 2p"},
        {"riichi discard that ends the hand: never accepted",
         {.takes = {"11", "", "", ""}, .discards = {"r12", "", "", ""}},
         "tsumo 0 1m, reach 0, dahai 0 2m"},
        {"riichi discard called with pon",
         {.takes = {"11", "", "12p1212", ""}, .discards = {"r12", "", "13", ""}},
         "tsumo 0 1m, reach 0, dahai 0 2m, reach_accepted 0, pon 2 from 0 2m [2m 2m], dahai 2 3m"},
        {"tsumogiri riichi takes the drawn tile",
         {.takes = {"11", "21", "", ""}, .discards = {"r60", "22", "", ""}},
         "tsumo 0 1m, reach 0, dahai 0 1m tsumogiri, reach_accepted 0, tsumo 1 1p, dahai 1 2p"},
        {"accepted once only",
         {.takes = {"11", "21", "31", ""}, .discards = {"r12", "22", "32", ""}},
         "tsumo 0 1m, reach 0, dahai 0 2m, reach_accepted 0, tsumo 1 1p, dahai 1 2p, tsumo 2 1s, dahai 2 2s"},
    };
    for (const auto& c : cases) expect_walks(c);
}

TEST(TurnWalk, ClaimPrecedence) {
    const WalkCase cases[] = {
        {"pon beats chi; the chi stays queued",
         {.takes = {"11", "c252627", "25p2525", "31"}, .discards = {"25", "", "29", ""}},
         "tsumo 0 1m, dahai 0 5p, pon 2 from 0 5p [5p 5p], dahai 2 9p, tsumo 3 1s"},
        {"chi beats daiminkan",
         {.takes = {"11", "c252627", "31", "252525m25"}, .discards = {"25", "29", "", ""}},
         "tsumo 0 1m, dahai 0 5p, chi 1 from 0 5p [6p 7p], dahai 1 9p, tsumo 2 1s"},
        {"two pons: the higher seat wins",
         {.takes = {"11 12", "", "25p2525", "2525p25"}, .discards = {"25", "", "", "29"}},
         "tsumo 0 1m, dahai 0 5p, pon 3 from 0 5p [5p 5p], dahai 3 9p, tsumo 0 2m"},
        {"a call of 5m does not claim a red 5m",
         {.takes = {"11", "21", "15p1515", ""}, .discards = {"51", "", "", ""}},
         "tsumo 0 1m, dahai 0 5mr, tsumo 1 1p"},
        {"a call from another seat is not a candidate",
         {.takes = {"11", "21", "2525p25", ""}, .discards = {"25", "", "", ""}},
         "tsumo 0 1m, dahai 0 5p, tsumo 1 1p"},
        {"before the first discard only the tile is compared",
         {.takes = {"c001314", "", "", ""}, .discards = {"15", "", "", ""}},
         "chi 0 from 3 ? [3m 4m], dahai 0 5m"},
    };
    for (const auto& c : cases) expect_walks(c);
}

TEST(TurnWalk, Completion) {
    const WalkCase cases[] = {
        {"a seat that takes with nothing left to discard ends the hand",
         {.takes = {"11", "21", "31", "41"}, .discards = {"", "22", "", ""}},
         "tsumo 0 1m"},
        {"every take queue used up after a discard ends the hand",
         {.takes = {"11", "", "", ""}, .discards = {"12 13 14", "", "", ""}},
         "tsumo 0 1m, dahai 0 2m"},
        {"the dealer moves first",
         {.takes = {"11", "21", "31", "41"}, .discards = {"", "", "", ""}, .kyoku_num = 6},
         "tsumo 2 1s"},
    };
    for (const auto& c : cases) expect_walks(c);
}

TEST(TurnWalk, Failures) {
    struct Case {
        const char* what;
        HandSpec hand;
        const char* expected;
    };
    const Case cases[] = {
        {"dealer without a take", {.takes = {"", "21", "", ""}}, "failed: TakesExhausted"},
        {"next seat without a take", {.takes = {"11", "", "31", ""}, .discards = {"12 13", "", "", ""}},
         "failed: TakesExhausted"},
        {"chi first, before any discard", {.takes = {"c121314", "", "", ""}, .discards = {"15", "", "", ""}},
         "failed: CallMismatch"},
        {"call of a discard by another seat",
         {.takes = {"11", "25p2525", "", ""}, .discards = {"25", "", "", ""}},
         "failed: CallMismatch"},
        {"ankan without an indicator left",
         {.takes = {"11 12", "", "", ""}, .discards = {"111111a11 13", "", "", ""}, .dora = "21"},
         "failed: DoraExhausted"},
        {"daiminkan's indicator due without one left",
         {.takes = {"11", "m15151515 16", "", ""}, .discards = {"15", "17", "", ""}, .dora = "21"},
         "failed: DoraExhausted"},
        {"daiminkan without a replacement draw",
         {.takes = {"11", "m15151515", "", ""}, .discards = {"15", "17", "", ""}},
         "failed: TakesExhausted"},
        {"empty dora list", {.takes = {"11", "", "", ""}, .dora = ""}, "failed: DoraExhausted"},
    };
    for (const auto& c : cases) {
        const Walked w = walk(c.hand);
        EXPECT_EQ(w.events, c.expected) << c.what;
    }
}

// Queues the log notation cannot produce: a riichi declaration with no discard after it.
TEST(TurnWalk, ReachAsTheLastDiscardEvent) {
    conv::HandQueues q;
    q[0].take_events = {{conv::QueueEvent::Tsumo, 0, 0, tile(11)}};
    q[0].discard_events = {{conv::QueueEvent::Reach, 0}};
    conv::CallChoices choices;
    std::vector<conv::WalkStep> steps;
    const auto dora = tiles("21");
    auto r = conv::walk_hand(q, dora, 0, choices, steps);
    ASSERT_FALSE(r);
    EXPECT_STREQ(failure_name(r.error()), "ReachWithoutDiscard");
}
