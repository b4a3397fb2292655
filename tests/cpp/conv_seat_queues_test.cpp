#include <gtest/gtest.h>

#include "test_support.hpp"
#include "ripaion/conv/call_notation.hpp"
#include "ripaion/conv/seat_queues.hpp"

using namespace support;
using conv::HandFailure;

namespace {

struct NotationCase {
    unsigned seat;
    const char* text;
    const char* expected;  // shown events, or the failure kind
};

std::string take_result(unsigned seat, std::string_view text) {
    auto r = conv::take_from_notation(static_cast<mjai::Seat>(seat), text);
    return r ? show(r.value()) : failure_name(r.error().kind);
}

std::string discard_result(unsigned seat, std::string_view text) {
    std::vector<conv::QueueEvent> out;
    auto r = conv::append_discard_notation(static_cast<mjai::Seat>(seat), text, out);
    return r ? show(out) : failure_name(r.error().kind);
}

}  // namespace

TEST(TakeNotation, EveryMarkerPositionAndItsFailures) {
    const NotationCase cases[] = {
        // chi: always from the left seat, codes at 1, 3, 5
        {1, "c275226", "chi 1 from 0 7p [5pr 6p]"},
        {0, "c+01314", "chi 0 from 3 ? [3m 4m]"},
        {1, "27c5226", "BadTileCode"},  // the c sits inside the code at 1
        {1, "c27522", "BadNotation"},
        {1, "c2752266", "BadNotation"},
        {1, "c5z1314", "BadTileCode"},
        {1, "c601314", "BadTileCode"},
        {1, "c131014", "BadTileCode"},
        {1, "c13+514", "BadTileCode"},  // +5 reads as 5, not a tile code
        // pon: marker at 0 left, 2 opposite, 4 right; the called tile follows the p
        {2, "p121212", "pon 2 from 1 2m [2m 2m]"},
        {2, "12p1212", "pon 2 from 0 2m [2m 2m]"},
        {2, "1212p12", "pon 2 from 3 2m [2m 2m]"},
        {0, "p511515", "pon 0 from 3 5mr [5m 5m]"},
        {0, "15p5115", "pon 0 from 2 5mr [5m 5m]"},
        {0, "1515p51", "pon 0 from 1 5mr [5m 5m]"},
        {2, "1p21212", "BadNotation"},
        {2, "121p212", "BadNotation"},
        {2, "121212p", "BadNotation"},
        {2, "p12121", "BadNotation"},
        {2, "p1212121", "BadNotation"},
        // daiminkan: marker at 0 left, 2 opposite, 6 right
        {0, "m39393939", "daiminkan 0 from 3 9s [9s 9s 9s]"},
        {0, "39m393939", "daiminkan 0 from 2 9s [9s 9s 9s]"},
        {0, "393939m39", "daiminkan 0 from 1 9s [9s 9s 9s]"},
        {3, "m53353535", "daiminkan 3 from 2 5sr [5s 5s 5s]"},
        {3, "35m533535", "daiminkan 3 from 1 5sr [5s 5s 5s]"},
        {3, "353535m53", "daiminkan 3 from 0 5sr [5s 5s 5s]"},
        {0, "3939m3939", "BadNotation"},
        {0, "393m93939", "BadNotation"},
        {0, "m393939", "BadNotation"},
        // p is looked for before m: a nine-byte text with both is a bad pon
        {0, "m121212p2", "BadNotation"},
        // no letter at all
        {0, "1234567", "BadNotation"},
        {0, "", "BadNotation"},
        {0, "P121212", "BadNotation"},  // letters are lower case only
    };
    for (const auto& c : cases) EXPECT_EQ(take_result(c.seat, c.text), c.expected) << c.text;
}

TEST(DiscardNotation, KansRiichiAndTheirFailures) {
    const NotationCase cases[] = {
        // kakan: k at 0, 2, 4; the called tile follows the k
        {3, "3737k3737", "kakan 3 7s [7s 7s 7s]"},
        {1, "k51151515", "kakan 1 5mr [5m 5m 5m]"},
        {1, "15k511515", "kakan 1 5mr [5m 5m 5m]"},
        {1, "1515k5115", "kakan 1 5mr [5m 5m 5m]"},
        {1, "1551k1515", "kakan 1 5m [5m 5mr 5m]"},
        {3, "373737k37", "BadNotation"},
        {3, "37k37373", "BadNotation"},
        {3, "3737k37+0", "kakan 3 7s [7s 7s ?]"},
        // ankan: codes at 0, 2, 4, 7; byte 6 not read
        {0, "474747a47", "ankan 0 [C C C C]"},
        {0, "151551a15", "ankan 0 [5m 5m 5mr 5m]"},
        {0, "47474747a", "BadTileCode"},  // the code at 7 is 7a
        {0, "a47474747", "BadTileCode"},
        {0, "4747a47", "BadNotation"},
        {0, "kaaaaaaaa", "BadTileCode"},  // k first: a kakan whose codes are letters
        // riichi: three bytes, byte 0 not examined
        {2, "r60", "reach 2, dahai 2 ? tsumogiri"},
        {2, "r23", "reach 2, dahai 2 3p"},
        {2, "x23", "reach 2, dahai 2 3p"},
        {2, "\xff" "23", "reach 2, dahai 2 3p"},
        {2, "r00", "reach 2, dahai 2 ? tsumogiri"},
        {2, "r+0", "reach 2, dahai 2 ? tsumogiri"},
        {2, "r53", "reach 2, dahai 2 5sr"},
        {2, "r61", "BadTileCode"},
        {2, "r5z", "BadTileCode"},
        {2, "a23", "BadNotation"},
        {2, "k23", "BadNotation"},
        {2, "r2", "BadNotation"},
        {2, "r234", "BadNotation"},
        {2, "c275226", "BadNotation"},
        {2, "", "BadNotation"},
    };
    for (const auto& c : cases) EXPECT_EQ(discard_result(c.seat, c.text), c.expected) << c.text;
}

TEST(SeatQueues, PairingFillsTsumogiriAndDropsPlaceholders) {
    struct Case {
        const char* takes;
        const char* discards;
        const char* take_events;
        const char* discard_events;
    };
    const Case cases[] = {
        {"23", "r60", "tsumo 0 3p", "reach 0, dahai 0 3p tsumogiri"},
        {"23", "r23", "tsumo 0 3p", "reach 0, dahai 0 3p"},
        {"51", "60", "tsumo 0 5mr", "dahai 0 5mr tsumogiri"},
        {"p121212", "60", "pon 0 from 3 2m [2m 2m]", "dahai 0 ? tsumogiri"},
        {"m39393939 12", "0 45", "daiminkan 0 from 3 9s [9s 9s 9s], tsumo 0 2m", "dahai 0 P"},
        // any number that is not a tile code marks a tsumogiri
        {"11", "7", "tsumo 0 1m", "dahai 0 1m tsumogiri"},
        // beyond the pairing, discards stay as they are
        {"11", "60 60", "tsumo 0 1m", "dahai 0 1m tsumogiri, dahai 0 ? tsumogiri"},
        {"11", "12 0", "tsumo 0 1m", "dahai 0 2m, dahai 0 ?"},
        // a riichi pairs through its discard
        {"11 12 13", "14 r60 60", "tsumo 0 1m, tsumo 0 2m, tsumo 0 3m",
         "dahai 0 4m, reach 0, dahai 0 2m tsumogiri, dahai 0 3m tsumogiri"},
        // a placeholder uses up its take without moving on in the discards
        {"11 12 13", "0 60 60", "tsumo 0 1m, tsumo 0 2m, tsumo 0 3m",
         "dahai 0 2m tsumogiri, dahai 0 3m tsumogiri"},
        {"11 12 13 14", "0 0 60 r60", "tsumo 0 1m, tsumo 0 2m, tsumo 0 3m, tsumo 0 4m",
         "dahai 0 3m tsumogiri, reach 0, dahai 0 4m tsumogiri"},
        // kans pair with a take like any discard
        {"11 12", "k11111111 60", "tsumo 0 1m, tsumo 0 2m", "kakan 0 1m [1m 1m 1m], dahai 0 2m tsumogiri"},
        {"11 12", "111111a11 60", "tsumo 0 1m, tsumo 0 2m", "ankan 0 [1m 1m 1m 1m], dahai 0 2m tsumogiri"},
        // an unknown draw gives an unknown tsumogiri
        {"0", "60", "tsumo 0 ?", "dahai 0 ? tsumogiri"},
        {"", "60", "", "dahai 0 ? tsumogiri"},
    };
    for (const auto& c : cases) {
        model::SeatRecord seat;
        seat.takes = items(c.takes);
        seat.discards = items(c.discards);
        conv::SeatQueues q;
        ASSERT_TRUE(conv::build_one_seat(0, seat, q)) << c.takes << " / " << c.discards;
        EXPECT_EQ(show(q.take_events), c.take_events) << c.takes << " / " << c.discards;
        EXPECT_EQ(show(q.discard_events), c.discard_events) << c.takes << " / " << c.discards;
    }
}

TEST(SeatQueues, FirstFailureInSeatOrderTakesBeforeDiscards) {
    struct Case {
        std::array<const char*, 4> takes;
        std::array<const char*, 4> discards;
        HandFailure expected;
    };
    const Case cases[] = {
        {{"60", "", "", ""}, {"", "", "", ""}, HandFailure::NumberInTakes},
        {{"60", "", "", ""}, {"bad", "", "", ""}, HandFailure::NumberInTakes},
        {{"11", "", "", ""}, {"bad", "", "", ""}, HandFailure::BadNotation},
        {{"11", "c5z1314", "60", ""}, {"", "", "", ""}, HandFailure::BadTileCode},
        {{"11", "11", "60", ""}, {"", "r5z", "", ""}, HandFailure::BadTileCode},
        {{"11", "11", "11", "11"}, {"", "", "", "r2345"}, HandFailure::BadNotation},
    };
    for (const auto& c : cases) {
        std::array<model::SeatRecord, 4> seats;
        for (int s = 0; s < 4; ++s) {
            seats[s].takes = items(c.takes[s]);
            seats[s].discards = items(c.discards[s]);
        }
        conv::HandQueues q;
        auto r = conv::build_seat_queues(seats, q);
        ASSERT_FALSE(r);
        EXPECT_EQ(failure_name(r.error().kind), std::string(failure_name(c.expected)));
    }
}
