// The state of one walk over a hand's seat queues. Created fresh for every
// attempt; only the call choices outlive it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ripaion/conv/call_choices.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"

namespace ripaion::conv {

struct WalkState {
    mjai::Seat actor = 0;                       // whose turn it is
    std::array<std::size_t, 4> take_pos{};      // first take event not yet used, per seat
    std::array<std::size_t, 4> discard_pos{};   // first discard event not yet used, per seat
    mjai::Tile last_pai = mjai::kUnknownTile;   // tile of the latest dahai
    mjai::Seat last_discarder = 0;              // seat that last handed the turn on
    bool has_discarded = false;                 // the turn has been handed on at least once
    bool reach_pending = false;                 // a reach_accepted is owed ...
    mjai::Seat reach_seat = 0;                  // ... for this seat
    bool kan_dora_pending = false;              // a kan's indicator is still to be revealed
    bool dora_before_tsumo = false;             // ... and is due before the next tsumo
    std::size_t dora_cursor = 1;                // next indicator to reveal
    // Per seat and tile, how many dahai of that tile the seat still has to make.
    std::array<std::array<std::int32_t, mjai::kTileCount>, 4> remaining{};
    // Kept with take_pos: the take events not yet used by all seats, and
    // one bit per seat whose next take event is a chi, pon or daiminkan.
    std::size_t takes_left = 0;
    unsigned call_heads = 0;
};

// Bit 1 << seat when the seat's next take event (at `pos`) is a call.
inline unsigned call_head_bit(const SeatQueues& q, std::size_t pos, mjai::Seat seat) noexcept {
    return pos < q.take_events.size() && q.take_events[pos].is_call() ? 1u << seat : 0u;
}

}  // namespace ripaion::conv
