// One walk over a hand's seat queues: rebuilds the single order of draws,
// discards, calls, kans, riichi acceptances and dora reveals.
#pragma once

#include <span>
#include <variant>
#include <vector>

#include "ripaion/conv/call_choices.hpp"
#include "ripaion/conv/hand_failure.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// Appends the turn events to `out` (which already ends with start_kyoku).
// `dora` is the hand's whole indicator list; its first entry is start_kyoku's
// and the walk reveals the later ones. Events are copied out of the queues,
// which stay untouched. On failure, `out` holds a partial walk that the
// caller discards.
Result<std::monostate, HandFailure> walk_hand(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                              mjai::Seat oya, CallChoices& choices, std::vector<mjai::Event>& out);

}  // namespace ripaion::conv
