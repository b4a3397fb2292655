// The event lines that come from a small finite set: a draw or a discard of
// one of the 38 tiles by one of the four seats, a riichi declaration or
// acceptance, a dora reveal, and the events without fields. They make up
// almost every line of a game, so each is encoded once, by the encoder
// itself, and afterwards looked up by number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "ripaion/mjai/event.hpp"

namespace ripaion::mjai {

// Numbers the lines of the table, 0 to kFixedLineCount - 1.
using FixedLineId = std::uint16_t;

inline constexpr FixedLineId kFixedTsumoBase = 0;                               // + 38 * seat + tile
inline constexpr FixedLineId kFixedDahaiBase = kFixedTsumoBase + 4 * kTileCount;  // + 2 * (38 * seat + tile) + tsumogiri
inline constexpr FixedLineId kFixedReachBase = kFixedDahaiBase + 2 * 4 * kTileCount;  // + seat
inline constexpr FixedLineId kFixedReachAcceptedBase = kFixedReachBase + 4;           // + seat
inline constexpr FixedLineId kFixedDoraBase = kFixedReachAcceptedBase + 4;            // + tile
inline constexpr FixedLineId kFixedEndKyoku = kFixedDoraBase + kTileCount;
inline constexpr FixedLineId kFixedEndGame = kFixedEndKyoku + 1;
inline constexpr FixedLineId kFixedNone = kFixedEndGame + 1;
inline constexpr FixedLineId kFixedRyukyokuWithoutDeltas = kFixedNone + 1;
inline constexpr std::size_t kFixedLineCount = kFixedRyukyokuWithoutDeltas + 1;

// The table only covers seats 0 to 3 and the 38 tiles; an event with any
// other value (which the conversion never makes) has no fixed line.
constexpr bool fixed_seat(Seat s) noexcept { return s < 4; }
constexpr bool fixed_tile(Tile t) noexcept { return tile_index(t) < kTileCount; }

constexpr FixedLineId fixed_tsumo(Seat actor, Tile pai) noexcept {
    return static_cast<FixedLineId>(kFixedTsumoBase + kTileCount * actor + tile_index(pai));
}
constexpr FixedLineId fixed_dahai(Seat actor, Tile pai, bool tsumogiri) noexcept {
    return static_cast<FixedLineId>(kFixedDahaiBase + 2 * (kTileCount * actor + tile_index(pai)) + (tsumogiri ? 1 : 0));
}
constexpr FixedLineId fixed_reach(Seat actor) noexcept { return static_cast<FixedLineId>(kFixedReachBase + actor); }
constexpr FixedLineId fixed_reach_accepted(Seat actor) noexcept {
    return static_cast<FixedLineId>(kFixedReachAcceptedBase + actor);
}
constexpr FixedLineId fixed_dora(Tile marker) noexcept {
    return static_cast<FixedLineId>(kFixedDoraBase + tile_index(marker));
}

// The table's number for the event's line, if the event has one.
std::optional<FixedLineId> fixed_line_of(const Event& e) noexcept;

// The event whose line has this number (id < kFixedLineCount).
Event fixed_line_event(FixedLineId id) noexcept;

// The line text (what encode_event writes for that event), without a line
// terminator; empty for an id outside the table. The table is made on first
// use, which may fail with std::bad_alloc (and is then tried again later).
std::string_view fixed_line(FixedLineId id);

// The same line followed by its line feed, as the output receives it.
std::string_view fixed_line_with_feed(FixedLineId id);

}  // namespace ripaion::mjai
