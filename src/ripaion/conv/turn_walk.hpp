// One walk over a hand's seat queues: rebuilds the single order of draws,
// discards, calls, kans, riichi acceptances and dora reveals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "ripaion/conv/call_choices.hpp"
#include "ripaion/conv/game_events.hpp"
#include "ripaion/conv/hand_failure.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// One event of a walk, by reference: an entry of a seat's take or discard
// queue, an indicator of the dora list, or a riichi acceptance.
struct WalkStep {
    enum Kind : std::uint8_t { Take, Discard, Dora, ReachAccepted };
    std::size_t index;  // into the queue (Take, Discard) or the dora list (Dora)
    Kind kind;
    mjai::Seat seat;  // Take, Discard, ReachAccepted
};

// Walks the hand, recording its events into `steps` (cleared first). `dora`
// is the hand's whole indicator list; its first entry is start_kyoku's and
// the walk reveals the later ones. The queues are only read.
Result<std::monostate, HandFailure> walk_hand(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                              mjai::Seat oya, CallChoices& choices, std::vector<WalkStep>& steps);

// The same walk, appending the events themselves to `events`, as events of
// hand number `hand`. On failure what it appended is left for the caller to
// drop.
Result<std::monostate, HandFailure> walk_hand_events(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                                     mjai::Seat oya, CallChoices& choices, std::uint32_t hand,
                                                     std::vector<GameEvent>& events);

}  // namespace ripaion::conv
