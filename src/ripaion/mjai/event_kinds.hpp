// Every kind of mjai event in one table. A kind's row gives its `type` name
// and the shape of its fixed lines; its event struct (the variant's
// alternative of the same number, see event.hpp) gives its fields and so
// its encoder. Adding a kind means adding its enumerator, its row and its
// struct; the checks below refuse a table whose rows are out of step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ripaion/mjai/tile.hpp"

namespace ripaion::mjai {

// The turn events first: the conversion's seat queues hold those.
enum class EventKind : std::uint8_t {
    Tsumo,
    Dahai,
    Chi,
    Pon,
    Daiminkan,
    Kakan,
    Ankan,
    Reach,
    Dora,
    ReachAccepted,
    StartGame,
    StartKyoku,
    Hora,
    Ryukyoku,
    EndKyoku,
    EndGame,
    None,  // made only from a record that refers to nothing (never by a conversion)
};
inline constexpr std::size_t kEventKindCount = static_cast<std::size_t>(EventKind::None) + 1;

// Which events of a kind are lines of the fixed table: lines that come from
// a small finite set (a draw or a discard of one of the 38 tiles by one of
// the four seats, a riichi, a dora reveal, the events without fields) make
// up almost every line of a game, so each is encoded once and afterwards
// looked up by number. A kind has one table line per seat (0 to 3) if
// `by_seat`, times one per tile if `by_tile`, times two (false, true) if
// `by_flag` (tsumogiri).
struct FixedLineShape {
    bool fixed = false;
    bool by_seat = false;
    bool by_tile = false;
    bool by_flag = false;
};
inline constexpr FixedLineShape kNotFixed{};
inline constexpr FixedLineShape kOneLine{true, false, false, false};

struct EventKindRow {
    EventKind kind;
    std::string_view name;  // the `type` member
    FixedLineShape fixed_lines;
};

inline constexpr EventKindRow kEventKinds[] = {
    {EventKind::Tsumo, "tsumo", {true, true, true, false}},
    {EventKind::Dahai, "dahai", {true, true, true, true}},
    {EventKind::Chi, "chi", kNotFixed},
    {EventKind::Pon, "pon", kNotFixed},
    {EventKind::Daiminkan, "daiminkan", kNotFixed},
    {EventKind::Kakan, "kakan", kNotFixed},
    {EventKind::Ankan, "ankan", kNotFixed},
    {EventKind::Reach, "reach", {true, true, false, false}},
    {EventKind::Dora, "dora", {true, false, true, false}},
    {EventKind::ReachAccepted, "reach_accepted", {true, true, false, false}},
    {EventKind::StartGame, "start_game", kNotFixed},
    {EventKind::StartKyoku, "start_kyoku", kNotFixed},
    {EventKind::Hora, "hora", kNotFixed},
    {EventKind::Ryukyoku, "ryukyoku", kNotFixed},
    {EventKind::EndKyoku, "end_kyoku", kOneLine},
    {EventKind::EndGame, "end_game", kOneLine},
    {EventKind::None, "none", kNotFixed},
};
static_assert(std::size(kEventKinds) == kEventKindCount, "one row per event kind");
constexpr bool event_kind_rows_in_order() {
    for (std::size_t i = 0; i < kEventKindCount; ++i)
        if (static_cast<std::size_t>(kEventKinds[i].kind) != i) return false;
    return true;
}
static_assert(event_kind_rows_in_order(), "row i describes kind i");

constexpr const EventKindRow& event_kind_row(EventKind kind) noexcept {
    return kEventKinds[static_cast<std::size_t>(kind)];
}

// Numbers the lines of the fixed table, 0 to kFixedLineCount - 1: the
// kinds' lines one after the other, in kind order.
using FixedLineId = std::uint16_t;

// A kind's table lines as arithmetic: line = base + per_seat * seat +
// per_tile * tile + per_flag * flag, valid for seats below 4 (when the seat
// matters) and the 38 tiles (when the tile matters). Computed rather than
// branched on, since draws, discards and the rest interleave.
struct FixedLineRule {
    std::uint16_t base;
    std::uint8_t per_seat, per_tile, per_flag;
    bool seat_matters, tile_matters;
    std::uint16_t count;  // 0: the kind has no table lines
};

constexpr FixedLineRule fixed_line_rule_of(const FixedLineShape& s, std::uint16_t base) noexcept {
    if (!s.fixed) return {base, 0, 0, 0, false, false, 0};
    const int per_flag = s.by_flag ? 1 : 0;
    const int per_tile = s.by_tile ? (s.by_flag ? 2 : 1) : 0;
    const int per_seat = s.by_seat ? (s.by_tile ? kTileCount : 1) * (s.by_flag ? 2 : 1) : 0;
    const int count = (s.by_seat ? 4 : 1) * (s.by_tile ? kTileCount : 1) * (s.by_flag ? 2 : 1);
    return {base, static_cast<std::uint8_t>(per_seat), static_cast<std::uint8_t>(per_tile),
            static_cast<std::uint8_t>(per_flag), s.by_seat, s.by_tile, static_cast<std::uint16_t>(count)};
}

inline constexpr std::array<FixedLineRule, kEventKindCount> kFixedLineRules = [] {
    std::array<FixedLineRule, kEventKindCount> rules{};
    std::uint16_t next = 0;
    for (std::size_t i = 0; i < kEventKindCount; ++i) {
        rules[i] = fixed_line_rule_of(kEventKinds[i].fixed_lines, next);
        next = static_cast<std::uint16_t>(next + rules[i].count);
    }
    return rules;
}();

inline constexpr std::size_t kFixedLineCount = [] {
    std::size_t n = 0;
    for (const FixedLineRule& r : kFixedLineRules) n += r.count;
    return n;
}();

}  // namespace ripaion::mjai
