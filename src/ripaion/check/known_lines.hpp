// The lines of the fixed table (mjai/event_kinds.hpp: draws, discards,
// riichi, dora, end_kyoku, end_game: almost every line of a converted game),
// recognised by their exact text as the encoder writes them, so that they are
// read without the JSON parser. Any other text, however equal in meaning,
// takes the parser's way.
#pragma once

#include <string_view>

#include "ripaion/check/line_event.hpp"

namespace ripaion::check {

// Fills `event` and returns true when `line` is one of the table's lines.
bool read_known_line(std::string_view line, LineEvent& event) noexcept;

}  // namespace ripaion::check
