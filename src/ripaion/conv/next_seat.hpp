// Who moves after a discard: a seat that calls the tile, or the next seat.
#pragma once

#include "ripaion/conv/call_choices.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/conv/walk_state.hpp"
#include "ripaion/mjai/event.hpp"

namespace ripaion::conv {

// The seat that moves after the actor's discard of `last_pai`: a caller of
// that tile, by precedence, or the next seat. May record or advance a call
// choice when the discarder will throw the same tile again.
mjai::Seat choose_next_seat(const HandQueues& queues, const WalkState& state, CallChoices& choices);

}  // namespace ripaion::conv
