#include "ripaion/conv/next_seat.hpp"

namespace ripaion::conv {
namespace {

// Claim precedence when several seats call the same discard: pon over chi
// over daiminkan.
constexpr int call_rank(QueueEvent::Kind kind) noexcept {
    return kind == QueueEvent::Pon ? 1 : kind == QueueEvent::Chi ? 0 : -1;
}

}  // namespace

mjai::Seat choose_next_seat(const HandQueues& queues, const WalkState& state, CallChoices& choices) {
    const mjai::Seat discarder = state.actor;
    const mjai::Tile tile = state.last_pai;
    const auto next = static_cast<mjai::Seat>((discarder + 1) % 4);
    // Calls are rare: most discards find no seat about to call at all.
    if ((state.call_heads & ~(1u << discarder)) == 0) return next;

    // Pon beats chi beats daiminkan; between equal calls the higher seat wins.
    int caller = -1;
    int best_rank = -2;
    for (mjai::Seat p = 0; p < 4; ++p) {
        if (p == discarder) continue;
        const auto& takes = queues[p].take_events;
        if (state.take_pos[p] >= takes.size()) continue;
        const QueueEvent& call = takes[state.take_pos[p]];
        if (!call.is_call() || call.target != discarder || call.pai != tile) continue;
        if (const int rank = call_rank(call.kind); rank >= best_rank) {
            best_rank = rank;
            caller = p;
        }
    }
    if (caller < 0) return next;

    // The log does not say which of the discarder's copies of the tile was
    // called. If another copy is still to come, the choice for this tile
    // decides: take the call now, or let it wait for a later copy. Each
    // encounter moves the choice on (absent -> take now -> wait -> absent),
    // so a failed attempt leads to the next arrangement being tried.
    const bool more_discards = state.discard_pos[discarder] < queues[discarder].discard_events.size();
    if (more_discards && state.remaining[discarder][tile_slot(tile)] >= 1) {
        switch (choices.get(tile)) {
            case CallChoices::Absent:
                choices.set(tile, CallChoices::TakeNow);
                return static_cast<mjai::Seat>(caller);
            case CallChoices::TakeNow:
                choices.set(tile, CallChoices::Wait);
                return next;
            case CallChoices::Wait:
                choices.set(tile, CallChoices::Absent);
                return next;
        }
    }
    return static_cast<mjai::Seat>(caller);
}

}  // namespace ripaion::conv
