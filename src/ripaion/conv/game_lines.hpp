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
std::size_t fixed_line_of(const GameEvent& e) noexcept;

}  // namespace ripaion::conv
