// One line of an mjai stream as the replay needs it: the event type and the
// members it knows, each with whether it was present and well formed. Read
// without building a JSON tree; members it does not know are skipped.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "ripaion/mjai/event_kinds.hpp"
#include "ripaion/mjai/tile.hpp"

namespace ripaion::check {

using mjai::Tile;

// A line's type: a kind of the event table, or kUnknownKind for a type
// text that names none of them.
using mjai::EventKind;
inline constexpr auto kUnknownKind = static_cast<EventKind>(mjai::kEventKindCount);

// The type text of a kind of the table ("?" for kUnknownKind).
std::string_view event_type_name(EventKind t) noexcept;
EventKind event_type_from_name(std::string_view name) noexcept;

enum class Field : std::uint8_t {
    Type,
    Actor,
    Target,
    Pai,
    Tsumogiri,
    Consumed,
    Names,
    KyokuFirst,
    AkaFlag,
    Bakaze,
    DoraMarker,
    Kyoku,
    Honba,
    Kyotaku,
    Oya,
    Scores,
    Tehais,
    Deltas,
    UraMarkers,
    Other,  // a member the replay does not read
};
inline constexpr int kFieldCount = static_cast<int>(Field::Other);

std::string_view field_name(Field f) noexcept;
Field field_from_name(std::string_view name) noexcept;

constexpr std::uint32_t field_bit(Field f) noexcept { return std::uint32_t{1} << static_cast<unsigned>(f); }

// Ura markers beyond this count make the member malformed (a hand reveals at
// most five).
inline constexpr std::size_t kMaxUraMarkers = 8;

struct LineEvent {
    EventKind type = kUnknownKind;
    std::uint32_t present = 0;    // field_bit of every member seen
    std::uint32_t malformed = 0;  // field_bit of every member of the wrong form
    std::uint32_t duplicate = 0;  // field_bit of every member seen twice
    // The type text when it names no known type (cut to its first bytes).
    std::array<char, 24> type_text{};
    std::uint8_t type_text_size = 0;

    // Integers as read; ranges are checked against each member's meaning later.
    std::int64_t actor = 0, target = 0, kyoku_first = 0, kyoku = 0, honba = 0, kyotaku = 0, oya = 0;
    bool tsumogiri = false, aka_flag = false;
    Tile pai{}, bakaze{}, dora_marker{};

    std::array<Tile, 4> consumed{};
    std::uint8_t consumed_size = 0;
    std::uint8_t names_size = 0;
    std::array<std::int64_t, 4> scores{};
    std::uint8_t scores_size = 0;
    std::array<std::int64_t, 4> deltas{};
    std::uint8_t deltas_size = 0;
    std::array<std::array<Tile, 13>, 4> tehais{};
    std::array<std::uint8_t, 4> row_sizes{};
    std::uint8_t rows = 0;
    std::array<Tile, kMaxUraMarkers> ura_markers{};
    std::uint8_t ura_size = 0;

    bool has(Field f) const noexcept { return present & field_bit(f); }
    bool bad(Field f) const noexcept { return malformed & field_bit(f); }
    std::string_view unknown_type_text() const noexcept { return {type_text.data(), type_text_size}; }

    // Forgets the previous line's members (the values are only read when present).
    void clear() noexcept {
        type = kUnknownKind;
        present = malformed = duplicate = 0;
        type_text_size = 0;
        consumed_size = names_size = scores_size = deltas_size = rows = ura_size = 0;
        row_sizes = {};
    }
};

}  // namespace ripaion::check
