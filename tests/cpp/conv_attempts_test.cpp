#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "test_support.hpp"
#include "ripaion/conv/hand_attempts.hpp"

using namespace support;

// Seat 0 throws 3s twice; seat 2's pon of 3s could claim either. Taking it at
// the first 3s leaves seat 3 to move with nothing to take, so the first walk
// fails; the second lets the first 3s pass and finds the pon at the second,
// after seat 0 has called seat 1's 4p in between.
TEST(Attempts, AmbiguousCallFoundAtTheSecondDiscard) {
    HandSpec h;
    h.takes = {"11 2424p24", "21", "33p3333", ""};
    h.discards = {"33 33", "24", "39", ""};
    const Walked w = walk(h);
    EXPECT_EQ(w.events,
              "tsumo 0 1m, dahai 0 3s, tsumo 1 1p, dahai 1 4p, pon 0 from 1 4p [4p 4p], dahai 0 3s, "
              "pon 2 from 0 3s [3s 3s], dahai 2 9s");
    EXPECT_EQ(w.attempts, 2);
}

TEST(Attempts, FailureWithoutChoicesEndsAtOnce) {
    HandSpec h;
    h.takes = {"11", "", "31", ""};
    h.discards = {"12", "", "", ""};
    const Walked w = walk(h);
    EXPECT_EQ(w.events, "failed: TakesExhausted");
    EXPECT_EQ(w.attempts, 1);
}

// Seat 0 throws 1m four times and seat 2 holds a pon of it. The first walk
// takes the pon at the first 1m (choice: take now). The second starts from
// that choice, lets the first two 1m pass (seat 0 meanwhile calls seat 1's
// discards) and takes the pon at the third, which records "take now" again:
// the third walk would repeat the second exactly, so the search stops.
TEST(Attempts, RepeatedChoicesEndTheSearch) {
    HandSpec h;
    h.takes = {"21 2424p24 2525p25", "31 32", "11p1111", "c414243"};
    h.discards = {"11 11 11 11", "24 25", "39", ""};
    const Walked w = walk(h);
    EXPECT_EQ(w.events, "failed: CallMismatch");
    EXPECT_EQ(w.attempts, 2);
}

namespace {

// k ambiguous pons chained like the digits of a counter. Seat 0 throws 1m,
// 2m, ... (each tile once more later), seat 2 holds a pon of each in order.
// When a pon is taken at once, play goes 2, 3, 0 and reaches the next tile;
// when it waits, seat 1 moves and seat 2's pon no longer matches, and the walk
// fails there. So the first tile's choice moves on every walk, the next one
// only on walks where the first was taken at once, and so on: the choices run
// through 3^k states before they are empty again, none repeated. The first
// walk takes every pon and fails with seat 3 out of draws.
HandSpec counter_hand(int k) {
    HandSpec h;
    std::string tsumo0, throws, again, pons, discards2, tsumo3, discards3;
    for (int i = 0; i < k; ++i) {
        const std::string x = std::to_string(11 + i);
        tsumo0 += std::to_string(21 + i) + " ";
        throws += x + " ";
        again += x + " ";
        pons += x + "p" + x + x + " ";
        discards2 += std::to_string(31 + i) + " ";
        if (i + 1 < k) {
            tsumo3 += "41 ";
            discards3 += std::to_string(45 + i % 3) + " ";
        }
    }
    h.takes = {tsumo0, "39", pons, tsumo3};
    h.discards = {throws + again, "38", discards2, discards3};
    h.dora = "21";
    return h;
}

}  // namespace

TEST(Attempts, LongSearchesEndWhenChoicesEmptyOrAtTheCap) {
    struct Case {
        int digits;
        int attempts;
    };
    // 3, 9, 27 walks bring the choices back to empty; 81 would, but the cap
    // stops the search first.
    const Case cases[] = {{1, 3}, {2, 9}, {3, 27}, {4, conv::kMaxAttemptsPerHand}, {6, conv::kMaxAttemptsPerHand}};
    for (const auto& c : cases) {
        const Walked w = walk(counter_hand(c.digits));
        EXPECT_EQ(w.events, "failed: TakesExhausted") << c.digits;  // the first walk's failure
        EXPECT_EQ(w.attempts, c.attempts) << c.digits;
    }
}

TEST(Attempts, FailedWalksLeaveNothingBehind) {
    HandSpec h;
    h.takes = {"11 2424p24", "21", "33p3333", ""};
    h.discards = {"33 33", "24", "39", ""};
    conv::HandScratch scratch;
    std::vector<Event> out = {mjai::StartGame{}};
    ASSERT_TRUE(oracle::convert_kyoku(prepare(h), scratch, out));
    EXPECT_EQ(show(out.front()), "start_game");
    EXPECT_EQ(show(out[1]), "start_kyoku");
    EXPECT_EQ(std::count_if(out.begin(), out.end(),
                            [](const Event& e) { return std::holds_alternative<mjai::StartKyoku>(e); }),
              1);
    EXPECT_EQ(show(out.back()), "end_kyoku");

    // A hand that fails leaves the list as it was.
    HandSpec bad = counter_hand(2);
    const std::size_t before = out.size();
    ASSERT_FALSE(oracle::convert_kyoku(prepare(bad), scratch, out));
    EXPECT_EQ(out.size(), before);
}
