#include "ripaion/conv/hand_conversion.hpp"

namespace ripaion::conv {

Result<int, AttemptsFailed> convert_kyoku_events(const PreparedKyoku& kyoku, std::uint32_t hand, HandScratch& scratch,
                                                 std::vector<GameEvent>& out) {
    if (auto built = build_seat_queues(kyoku.seats, scratch.queues); !built) {
        return fail(AttemptsFailed{built.error().kind, 0});
    }
    // No indicator for start_kyoku: nothing to choose, so no walk is made.
    if (kyoku.dora.empty()) return fail(AttemptsFailed{HandFailure::DoraExhausted, 0});
    const auto oya = static_cast<mjai::Seat>(kyoku.kyoku_num % 4);
    const HandWalkInput in{scratch.queues, oya, kyoku.dora, kyoku.outcome, hand};
    return run_attempts(in, scratch.attempts, out);
}

std::size_t kyoku_event_estimate(const PreparedKyoku& hand) noexcept {
    // start_kyoku, one event per list entry, the later indicators, a couple of
    // riichi events and the results.
    std::size_t n = 4 + hand.dora.size() + result_event_count(hand.outcome);
    for (const SeatLog& seat : hand.seats) n += seat.takes.size() + seat.discards.size();
    return n;
}

}  // namespace ripaion::conv
