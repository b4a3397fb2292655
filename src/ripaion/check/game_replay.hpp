// Replays a game event by event: the game and hand frames, every seat's
// concealed tiles, whose turn it is and what the last discard was, riichi
// declarations and deposits, the tiles seen so far, and the scores that the
// next hand must open with.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ripaion/check/line_event.hpp"
#include "ripaion/check/problem.hpp"

namespace ripaion::check {

class GameReplay {
public:
    // The next event, already of the right form (check_event_form).
    std::optional<Finding> step(const LineEvent& e);
    // The stream has ended after the events given so far.
    std::optional<Finding> finish() const;

private:
    enum class Phase : std::uint8_t {
        BeforeGame,  // nothing read yet
        BetweenHands,
        ToDraw,     // `seat_` draws next (after a discard, a claim may come first)
        ToDiscard,  // `seat_` holds its turn's tile(s) and must discard or kan
        Result,     // hora or ryukyoku seen, end_kyoku next
        AfterGame,
    };

    struct SeatState {
        std::array<std::uint8_t, mjai::kTileCount> held{};  // concealed tiles, red fives apart
        std::array<std::uint8_t, 4> pon_kinds{};            // kinds of the seat's pons, for kakan
        std::uint8_t pons = 0;
        bool open = false;         // has claimed a discard
        bool drawn_valid = false;  // `drawn` is the tile of this turn's draw
        Tile drawn{};
        bool riichi = false;       // its riichi discard is made
        bool accepted = false;
    };

    std::optional<Finding> start_kyoku(const LineEvent& e);
    std::optional<Finding> end_kyoku();
    std::optional<Finding> turn_event(const LineEvent& e);
    std::optional<Finding> tsumo(const LineEvent& e);
    std::optional<Finding> dahai(const LineEvent& e);
    std::optional<Finding> claim(const LineEvent& e);
    std::optional<Finding> own_kan(const LineEvent& e);
    std::optional<Finding> reach(const LineEvent& e);
    std::optional<Finding> reach_accepted(const LineEvent& e);
    std::optional<Finding> hora(const LineEvent& e);
    std::optional<Finding> result_deltas(const LineEvent& e);
    std::optional<Finding> see(Tile t);
    std::optional<Finding> win_deltas(const LineEvent& e);
    std::int64_t sticks_on_the_table() const;
    bool take(std::uint8_t seat, Tile t);

    Phase phase_ = Phase::BeforeGame;
    std::uint8_t seat_ = 0;
    bool drew_ = false;  // the seat to discard drew (rather than claimed)
    std::array<SeatState, 4> seats_{};

    // The last discard while it can still be claimed or won on.
    bool discard_open_ = false;
    std::uint8_t discard_seat_ = 0;
    Tile discard_tile_{};
    // A kakan or ankan that can still be robbed.
    bool kan_open_ = false;
    std::uint8_t kan_seat_ = 0;
    // A reach whose discard has not come yet.
    int reach_pending_ = -1;
    // A ron already won on this hand (double and triple wins).
    bool ron_won_ = false;
    std::uint8_t ron_target_ = 0;

    std::array<std::uint8_t, 34> seen_{};  // tiles of each kind seen this hand
    std::array<std::uint8_t, 3> red_seen_{};  // red fives of each suit seen this hand
    bool red_fives_ = true;                 // false when start_game says the game has none

    // The hand's wins: their seats, and whether a win took the sticks.
    std::uint8_t winners_ = 0;  // a bit per seat
    bool sticks_taken_ = false;

    // Score continuity.
    std::array<std::int64_t, 4> scores_{};
    std::array<std::int64_t, 4> deltas_{};
    std::int64_t kyotaku_ = 0;
    bool deltas_known_ = true;
    bool any_hora_ = false;
    bool expect_known_ = false;
    std::array<std::int64_t, 4> expect_scores_{};
    std::int64_t expect_kyotaku_ = 0;
};

}  // namespace ripaion::check
