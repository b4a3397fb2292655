// A hand's result list reduced to its outcome, and the closing events built
// from that outcome.
#pragma once

#include <span>
#include <variant>
#include <vector>

#include "ripaion/mjai/event.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

struct GameEvent;  // game_events.hpp

struct HoraResult {
    mjai::Deltas deltas;
    mjai::Seat actor;
    mjai::Seat target;
};

struct HoraOutcome {
    std::vector<HoraResult> wins;  // in log order; may be empty
};
struct RyukyokuOutcome {
    mjai::Deltas deltas;
};
using KyokuOutcome = std::variant<HoraOutcome, RyukyokuOutcome>;

// A win whose details lack the winner and the seat it won from.
struct MalformedWinDetails {};

Result<KyokuOutcome, MalformedWinDetails> derive_outcome(const std::vector<model::ResultItem>& results);

// Appends one hora per win (each with the hand's whole ura list) or one
// ryukyoku, then end_kyoku.
void append_results(std::vector<mjai::Event>& out, const KyokuOutcome& outcome, std::span<const mjai::Tile> ura);

// The same events in compact form, for hand number `hand`.
void append_result_events(std::vector<GameEvent>& out, const KyokuOutcome& outcome, std::uint32_t hand);

// How many events append_results adds for this outcome.
std::size_t result_event_count(const KyokuOutcome& outcome) noexcept;

}  // namespace ripaion::conv
