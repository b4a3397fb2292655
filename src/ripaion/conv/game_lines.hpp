// The event lines of a converted game. Most are lines of the fixed table
// and are named by their number; the others (start_game, start_kyoku, calls,
// kans, hora, ryukyoku) are encoded into one text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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
    // The size of the line with its line feed.
    std::size_t line_with_feed_size(std::size_t i) const {
        const Slot& s = slots[i];
        return s.size != 0 ? s.size + 1 : mjai::fixed_line_with_feed(static_cast<mjai::FixedLineId>(s.start)).size();
    }
};

// Every event's line, in order.
Result<GameLines, mjai::EncodeError> encode_game(const ConvertedGame& game);

// The table number of the event's line, or kNoFixedLine.
inline constexpr std::size_t kNoFixedLine = mjai::kFixedLineCount;
namespace detail {

// Per event kind, the table line number as base + per_seat * actor +
// per_tile * tile + per_flag * tsumogiri, and what must be in the table's
// range for it to apply. Computed rather than branched on, since draws,
// discards and the rest interleave.
struct FixedLineRule {
    std::uint16_t base;  // kNoFixedLine: never a table line
    std::uint8_t per_seat, per_tile, per_flag;
    bool seat_matters, tile_matters;
};
inline constexpr std::array<FixedLineRule, 16> kFixedLineRules = [] {
    std::array<FixedLineRule, 16> r{};
    for (auto& x : r) x = {static_cast<std::uint16_t>(kNoFixedLine), 0, 0, 0, false, false};
    r[GameEvent::Tsumo] = {mjai::kFixedTsumoBase, mjai::kTileCount, 1, 0, true, true};
    r[GameEvent::Dahai] = {mjai::kFixedDahaiBase, 2 * mjai::kTileCount, 2, 1, true, true};
    r[GameEvent::Reach] = {mjai::kFixedReachBase, 1, 0, 0, true, false};
    r[GameEvent::ReachAccepted] = {mjai::kFixedReachAcceptedBase, 1, 0, 0, true, false};
    r[GameEvent::Dora] = {mjai::kFixedDoraBase, 0, 1, 0, false, true};
    r[GameEvent::EndKyoku] = {mjai::kFixedEndKyoku, 0, 0, 0, false, false};
    r[GameEvent::EndGame] = {mjai::kFixedEndGame, 0, 0, 0, false, false};
    return r;
}();

}  // namespace detail

// Seats and tiles outside the table (never made by the conversion) are
// encoded like any other event.
inline std::size_t fixed_line_of(const GameEvent& e) noexcept {
    const detail::FixedLineRule& r = detail::kFixedLineRules[e.kind & 15];
    const unsigned tile = mjai::tile_index(e.pai);
    const bool fits = (r.base != kNoFixedLine) & (!r.seat_matters | mjai::fixed_seat(e.actor)) &
                      (!r.tile_matters | (tile < mjai::kTileCount));
    const std::size_t id = r.base + r.per_seat * std::size_t{e.actor} + r.per_tile * std::size_t{tile} +
                           r.per_flag * std::size_t{e.tsumogiri};
    return fits ? id : kNoFixedLine;
}

}  // namespace ripaion::conv
