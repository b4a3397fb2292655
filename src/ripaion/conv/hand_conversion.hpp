// One prepared hand into its events: seat queues, opening event, attempts.
#pragma once

#include <vector>

#include "ripaion/conv/game_events.hpp"
#include "ripaion/conv/hand_attempts.hpp"
#include "ripaion/conv/prepared_kyoku.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// Buffers kept from hand to hand of one conversion.
struct HandScratch {
    HandQueues queues;
    AttemptScratch attempts;
};

// Appends the hand's events, in compact form as events of hand number
// `hand`, to `out` and returns the number of walks it took (0 walks in the
// failure when the queues or the dora list refuse the hand). On failure
// `out` is as it was.
Result<int, AttemptsFailed> convert_kyoku_events(const PreparedKyoku& kyoku, std::uint32_t hand, HandScratch& scratch,
                                                 std::vector<GameEvent>& out);

// About the number of events convert_kyoku_events appends for the hand, for sizing
// the game list once (exceeded only by hands with several riichi).
std::size_t kyoku_event_estimate(const PreparedKyoku& hand) noexcept;

}  // namespace ripaion::conv
