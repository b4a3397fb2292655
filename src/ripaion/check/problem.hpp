// What a replay of an mjai stream finds wrong: the first problem of a stream,
// with the line it stands on and a short, stable label of its kind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ripaion::check {

enum class ProblemKind : std::uint8_t {
    Json,       // a line that is not one JSON object
    Type,       // an event type the stream cannot hold
    Field,      // a member missing, or of the wrong form
    Frame,      // start_game, start_kyoku/end_kyoku pairs, end_game out of order
    Draw,       // a tsumo out of turn
    Discard,    // a dahai out of turn or of a tile not held
    Call,       // a chi, pon or daiminkan the hand or the table does not allow
    Kan,        // a kakan or ankan the hand does not allow
    Hora,       // a win on nothing: not the seat's draw, not the target's discard
    Tsumogiri,  // a flag that does not match the drawn tile
    Riichi,     // reach/reach_accepted out of order
    TileCount,  // more than four of a tile, red fives counted with their kind
    Score,      // scores that do not follow from the previous hand
    Deltas,     // a result's deltas that do not add up to the sticks it moves
    RedFive,    // a second red five of a suit, or one in a game without them
};

inline constexpr int kProblemKindCount = 15;

// The label users see and filter on ("json", "frame", "tile_count", ...).
std::string_view problem_label(ProblemKind kind) noexcept;

struct Problem {
    std::size_t line;  // 1-based
    ProblemKind kind;
    std::string message;
};

// A problem before its line is known: what the replay of one event found.
struct Finding {
    ProblemKind kind;
    std::string message;
};

}  // namespace ripaion::check
