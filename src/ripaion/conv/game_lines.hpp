// The event lines of a converted game. Most are lines of the fixed table
// (event_kinds.hpp says which) and are named by their number; the others
// (start_game, start_kyoku, calls, kans, hora, ryukyoku) are encoded into
// one text.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ripaion/conv/game_events.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/mjai/event_kinds.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

using mjai::FixedLineId;
using mjai::kFixedLineCount;

// The line of the table (id < kFixedLineCount) without a line terminator;
// empty for an id outside the table. The table is made on first use, by the
// encoder itself, so a table line and the encoder's line for the same event
// cannot differ; making it may fail with std::bad_alloc (and is then tried
// again later).
std::string_view fixed_line(FixedLineId id);
// The same line followed by its line feed, as the output receives it.
std::string_view fixed_line_with_feed(FixedLineId id);

// The record, and the full event, whose line is the table's line `id`
// (id < kFixedLineCount): the inverse of fixed_line_of, from the same rules.
GameEvent fixed_line_record(FixedLineId id) noexcept;
mjai::Event fixed_line_event(FixedLineId id);

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
        return s.size != 0 ? s.size + 1 : fixed_line_with_feed(static_cast<FixedLineId>(s.start)).size();
    }
};

// Every event's line, in order.
Result<GameLines, mjai::EncodeError> encode_game(const ConvertedGame& game);

// The conversion's text: every line followed by its line feed, back to back,
// written in one pass: a table line is one look-up and one copy, the others
// are encoded in place.
// The most bytes the game's text can take (every table line counted as a
// whole copy block, every other line as its encoder's bound).
std::size_t game_text_bound(const ConvertedGame& game) noexcept;
// Gives the text `room` bytes in all, its bytes so far kept, and returns
// where they now are; null when it cannot.
using GrowText = char* (*)(void* context, std::size_t room);
// Writes the text at `out`, which has `room` bytes, asking `grow` for more
// when it lacks room (with room of game_text_bound's it never does), and
// returns its size; empty if it would not fit (never written past its room).
std::optional<std::size_t> write_game_text(const ConvertedGame& game, char* out, std::size_t room,
                                           GrowText grow = nullptr, void* context = nullptr);
// A first room for the text: about its size for the games of Tenhou's lobbies.
std::size_t game_text_estimate(const ConvertedGame& game) noexcept;

struct GameText {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::string_view view() const noexcept { return {data.get(), size}; }
};
// The text in memory of its own.
Result<GameText, mjai::EncodeError> encode_game_text(const ConvertedGame& game);

// The table number of the event's line, or kNoFixedLine. Seats and tiles
// outside the table (never made by the conversion) are encoded like any
// other event.
inline constexpr std::size_t kNoFixedLine = kFixedLineCount;
inline std::size_t fixed_line_of(const GameEvent& e) noexcept {
    const auto kind = static_cast<std::size_t>(e.kind);
    if (kind >= mjai::kEventKindCount) return kNoFixedLine;
    const mjai::FixedLineRule& r = mjai::kFixedLineRules[kind];
    const unsigned tile = mjai::tile_index(e.pai);
    const bool fits = (r.count != 0) & (!r.seat_matters | (e.actor < 4)) & (!r.tile_matters | (tile < mjai::kTileCount));
    const std::size_t id = r.base + r.per_seat * std::size_t{e.actor} + r.per_tile * std::size_t{tile} +
                           r.per_flag * std::size_t{e.tsumogiri};
    return fits ? id : kNoFixedLine;
}

}  // namespace ripaion::conv
