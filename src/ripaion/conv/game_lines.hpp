// The event lines of a converted game. Most are lines of the fixed table
// and are named by their number; the others (start_game, start_kyoku, calls,
// kans, hora, ryukyoku) are encoded into one text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ripaion/conv/game_events.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/mjai/fixed_lines.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

struct GameLines {
    // One line: a fixed line when `size` is 0 (lines are never empty), its
    // number in `start`; otherwise text[start, start + size).
    struct Slot {
        std::size_t start;
        std::size_t size;
    };
    std::vector<Slot> slots;
    std::string text;

    std::size_t count() const noexcept { return slots.size(); }
    // The line without terminator (a fixed line's table may be made here).
    std::string_view line(std::size_t i) const;
};

// Every event's line, in order.
Result<GameLines, mjai::EncodeError> encode_game(const ConvertedGame& game);

// The table number of the event's line, or kNoFixedLine.
inline constexpr std::size_t kNoFixedLine = mjai::kFixedLineCount;
inline std::size_t fixed_line_of(const GameEvent& e) noexcept {
    // Seats and tiles outside the table (never made by the conversion) are
    // encoded like any other event.
    const bool in_table = mjai::fixed_seat(e.actor) && mjai::fixed_tile(e.pai);
    switch (e.kind) {
        case GameEvent::Tsumo: return in_table ? mjai::fixed_tsumo(e.actor, e.pai) : kNoFixedLine;
        case GameEvent::Dahai: return in_table ? mjai::fixed_dahai(e.actor, e.pai, e.tsumogiri) : kNoFixedLine;
        case GameEvent::Reach: return mjai::fixed_seat(e.actor) ? mjai::fixed_reach(e.actor) : kNoFixedLine;
        case GameEvent::ReachAccepted:
            return mjai::fixed_seat(e.actor) ? mjai::fixed_reach_accepted(e.actor) : kNoFixedLine;
        case GameEvent::Dora: return mjai::fixed_tile(e.pai) ? mjai::fixed_dora(e.pai) : kNoFixedLine;
        case GameEvent::EndKyoku: return mjai::kFixedEndKyoku;
        case GameEvent::EndGame: return mjai::kFixedEndGame;
        default: return kNoFixedLine;
    }
}

}  // namespace ripaion::conv
