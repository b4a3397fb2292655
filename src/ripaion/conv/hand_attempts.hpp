// Walking one hand, again and again with other choices at ambiguous calls,
// until a walk completes or no choice is left to change.
#pragma once

#include <span>
#include <vector>

#include "ripaion/conv/call_choices.hpp"
#include "ripaion/conv/game_events.hpp"
#include "ripaion/conv/hand_failure.hpp"
#include "ripaion/conv/hand_results.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/conv/turn_walk.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// At most this many walks of one hand (see run_attempts).
inline constexpr int kMaxAttemptsPerHand = 64;

struct HandWalkInput {
    const HandQueues& queues;
    mjai::Seat oya;
    std::span<const mjai::Tile> dora;
    const KyokuOutcome& outcome;
    std::uint32_t hand;  // the hand's number in the game, carried by its events
};

struct AttemptsFailed {
    HandFailure first_failure;
    int attempts;  // walks made
};

// Buffers reused from hand to hand, so that the search allocates nothing
// once it has grown to the largest hand.
struct AttemptScratch {
    std::vector<CallChoices::States> seen;
};

// On success appends the whole hand (start_kyoku to end_kyoku) to `out` and
// returns the number of walks it took; on failure `out` is unchanged.
Result<int, AttemptsFailed> run_attempts(const HandWalkInput& in, AttemptScratch& scratch,
                                         std::vector<GameEvent>& out);

}  // namespace ripaion::conv
