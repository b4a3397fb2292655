// Why one hand of a log could not be turned into events. Every kind ends the
// whole conversion with the same message; the kind exists for tests and for
// reasoning about which stage refused the hand.
#pragma once

#include <cstdint>

namespace ripaion::conv {

enum class HandFailure : std::uint8_t {
    // Building the seat queues from the log's lists.
    BadNotation,    // a call, kan or riichi text of no known form
    BadTileCode,    // a two-character code inside such a text is not a tile
    NumberInTakes,  // a draw list entry that is a number but not a tile
    // Walking the turns.
    DoraExhausted,        // an indicator must be revealed and none is left
    TakesExhausted,       // the seat to move has nothing left to take
    ReachWithoutDiscard,  // a riichi declaration is its seat's last discard event
    CallMismatch,         // a call does not claim the most recent discard
};

}  // namespace ripaion::conv
