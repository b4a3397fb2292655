#include "ripaion/conv/hand_attempts.hpp"

#include <algorithm>
#include <optional>

namespace ripaion::conv {
namespace {

// Room for `n` more events, growing geometrically when the estimate the list
// was sized with falls short.
void reserve_more(std::vector<GameEvent>& out, std::size_t n) {
    if (out.capacity() - out.size() >= n) return;
    out.reserve(std::max(out.size() + n, 2 * out.capacity()));
}

}  // namespace

// Each walk starts from the choices the previous walks left behind and moves
// them on at every ambiguous call it meets. A walk is fully determined by the
// choices it starts with, so:
//  - a failed walk that leaves no choice recorded ends the search;
//  - a walk that would start from choices an earlier walk of this hand
//    already started from would fail the same way, and so would every walk
//    after it: the search is going round in circles and ends;
//  - at most kMaxAttemptsPerHand walks are made, so that the work stays
//    proportional to the size of the hand even when the choices run through
//    a long sequence of distinct states.
// A hand that ends the search fails with the failure of its first walk.
Result<int, AttemptsFailed> run_attempts(const HandWalkInput& in, AttemptScratch& scratch,
                                         std::vector<GameEvent>& out) {
    const mjai::Seat oya = in.oya;
    CallChoices choices;
    std::optional<HandFailure> first_failure;
    auto& seen = scratch.seen;
    seen.clear();
    // A walk appends its events in place (each is a few bytes); a failed
    // walk's events are dropped again.
    const std::size_t start = out.size();
    for (int attempt = 1;; ++attempt) {
        GameEvent opening;
        opening.kind = GameEvent::StartKyoku;
        opening.hand = in.hand;
        out.push_back(opening);
        auto walked = walk_hand_events(in.queues, in.dora, oya, choices, in.hand, out);
        if (walked) {
            reserve_more(out, result_event_count(in.outcome));
            append_result_events(out, in.outcome, in.hand);
            return attempt;
        }
        out.resize(start);
        if (!first_failure) first_failure = walked.error();
        const bool give_up = choices.empty() || attempt >= kMaxAttemptsPerHand ||
                             std::find(seen.begin(), seen.end(), choices.states) != seen.end();
        if (give_up) return fail(AttemptsFailed{*first_failure, attempt});
        seen.push_back(choices.states);
    }
}

}  // namespace ripaion::conv
