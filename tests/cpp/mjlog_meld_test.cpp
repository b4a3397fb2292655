// Call bits of mjlog <N> tags: every kind, every source seat, red fives.
#include <gtest/gtest.h>

#include "ripaion/mjlog/meld_notation.hpp"

using ripaion::mjlog::decode_meld;
using ripaion::mjlog::Meld;

namespace {

struct MeldCase {
    std::uint32_t m;
    bool red_fives;
    Meld::Kind kind;
    const char* notation;
};

// The values are written out from the bit layout: chi (t*3+r)<<10 | 0x4 |
// copies<<3.. | 3; pon (kind*3+r)<<9 | 0x8 | unused<<5 | source;
// added kan the same with 0x10; open kan id<<8 | source; closed kan id<<8.
// Source 3 is the left seat, 2 the opposite seat, 1 the right seat.
const MeldCase kCases[] = {
    {1031, true, Meld::Kind::Chi, "c121113"},     // 1m2m3m, 2m called
    {29775, true, Meld::Kind::Chi, "c522324"},    // 3p4p5p, red 5p called
    {29775, false, Meld::Kind::Chi, "c252324"},   // same without red fives
    {6251, true, Meld::Kind::Pon, "p511515"},     // red 5m from the left
    {6250, true, Meld::Kind::Pon, "15p5115"},     // from the opposite seat
    {6249, true, Meld::Kind::Pon, "1515p51"},     // from the right
    {6763, true, Meld::Kind::Pon, "p151551"},     // red five among the others: last
    {6250, false, Meld::Kind::Pon, "15p1515"},
    {6162, true, Meld::Kind::AddedKan, "15k511515"},  // red 5m added to a pon from the opposite seat
    {6163, true, Meld::Kind::AddedKan, "k51151515"},  // the same pon from the left
    {6161, true, Meld::Kind::AddedKan, "1515k5115"},  // from the right
    {4099, true, Meld::Kind::OpenKan, "m51151515"},   // red 5m called from the left
    {4098, true, Meld::Kind::OpenKan, "15m511515"},   // from the opposite seat
    {4353, true, Meld::Kind::OpenKan, "151551m15"},   // from the right: fourth place, red last among the others
    {22528, true, Meld::Kind::ClosedKan, "353535a53"},
    {22528, false, Meld::Kind::ClosedKan, "353535a35"},
    {0, true, Meld::Kind::ClosedKan, "111111a11"},
    {(135u << 8) | 2, true, Meld::Kind::OpenKan, "47m474747"},
};

TEST(MjlogMeld, DecodesEveryKindAndSource) {
    for (const MeldCase& c : kCases) {
        const auto meld = decode_meld(c.m, c.red_fives);
        ASSERT_TRUE(meld.ok()) << c.m;
        EXPECT_EQ(meld.value().notation, c.notation) << c.m;
        EXPECT_EQ(meld.value().kind, c.kind) << c.m;
        EXPECT_EQ(meld.value().is_take(), c.kind == Meld::Kind::Chi || c.kind == Meld::Kind::Pon ||
                                              c.kind == Meld::Kind::OpenKan)
            << c.m;
    }
}

TEST(MjlogMeld, RefusesBitsNoFourPlayerCallHas) {
    const std::uint32_t bad[] = {
        (63u << 10) | 0x4 | 3,  // a run beyond 7-8-9 of bamboos
        (102u << 9) | 0x8 | 2,  // a pon of a 35th kind
        (12u << 9) | 0x8,       // a pon from the caller itself
        (12u << 9) | 0x10,      // an added kan from the caller itself
        (136u << 8) | 1,        // an open kan of tile id 136
        0x20,                   // the north tile set aside (three-player)
        0x10000,                // beyond 16 bits
    };
    for (std::uint32_t m : bad) EXPECT_FALSE(decode_meld(m, true).ok()) << m;
}

}  // namespace
