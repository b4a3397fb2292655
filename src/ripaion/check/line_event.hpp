// One line of an mjai stream as the replay needs it: the event type and the
// members it knows, each with whether it was present, well formed and in
// range. Read without building a JSON tree; members it does not know are
// skipped. The members, their kinds and each event kind's form come from
// the event table (mjai/event_kinds.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <span>
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

// A member of a line: one of the table's members (`type` first), or
// kOtherField for a name the table does not know.
using Field = mjai::Member;
inline constexpr int kFieldCount = static_cast<int>(mjai::kMemberCount);
inline constexpr auto kOtherField = static_cast<Field>(mjai::kMemberCount);

std::string_view field_name(Field f) noexcept;
Field field_from_name(std::string_view name) noexcept;

constexpr std::uint32_t field_bit(Field f) noexcept { return std::uint32_t{1} << static_cast<unsigned>(f); }

// Ura markers beyond this count make the member malformed (a hand reveals at
// most five).
inline constexpr std::size_t kMaxUraMarkers = 8;

struct LineEvent {
    EventKind type = kUnknownKind;
    std::uint32_t present = 0;       // field_bit of every member seen
    std::uint32_t malformed = 0;     // field_bit of every member of the wrong form
    std::uint32_t out_of_range = 0;  // field_bit of every member with a value beyond its field kind's range
    std::uint32_t duplicate = 0;     // field_bit of every member seen twice
    // The type text when it names no known type (cut to its first bytes).
    std::array<char, 24> type_text{};
    std::uint8_t type_text_size = 0;
    // The number of elements of each list member as read (rows of tehais),
    // at most 255; meaningful for present members only.
    std::array<std::uint8_t, mjai::kMemberCount> sizes{};

    // The values the replay reads (the slots below say which member goes
    // where). Integers as read; only present members' values are meaningful.
    std::int64_t actor = 0, target = 0, kyoku_first = 0, kyoku = 0, honba = 0, kyotaku = 0, oya = 0;
    bool tsumogiri = false, aka_flag = false;
    Tile pai{}, bakaze{}, dora_marker{};

    std::array<Tile, 4> consumed{};
    std::uint8_t consumed_size = 0;
    std::array<std::int64_t, 4> scores{};
    std::array<std::int64_t, 4> deltas{};
    std::array<std::array<Tile, mjai::kRowTiles>, 4> tehais{};
    std::array<Tile, kMaxUraMarkers> ura_markers{};
    std::uint8_t ura_size = 0;

    bool has(Field f) const noexcept { return present & field_bit(f); }
    bool bad(Field f) const noexcept { return malformed & field_bit(f); }
    std::uint8_t size(Field f) const noexcept { return sizes[mjai::member_index(f)]; }
    std::string_view unknown_type_text() const noexcept { return {type_text.data(), type_text_size}; }

    // Forgets the previous line's members (the values are only read when present).
    void clear() noexcept {
        type = kUnknownKind;
        present = malformed = out_of_range = duplicate = 0;
        type_text_size = 0;
        consumed_size = ura_size = 0;
    }
};

// Where the replay keeps each member's value: null for a member it does not
// read, whose form is checked all the same.
constexpr std::int64_t LineEvent::*number_slot(Field f) noexcept {  // seats and counts
    switch (f) {
        case Field::Actor: return &LineEvent::actor;
        case Field::Target: return &LineEvent::target;
        case Field::KyokuFirst: return &LineEvent::kyoku_first;
        case Field::Kyoku: return &LineEvent::kyoku;
        case Field::Honba: return &LineEvent::honba;
        case Field::Kyotaku: return &LineEvent::kyotaku;
        case Field::Oya: return &LineEvent::oya;
        default: return nullptr;
    }
}
constexpr Tile LineEvent::*tile_slot(Field f) noexcept {
    switch (f) {
        case Field::Pai: return &LineEvent::pai;
        case Field::Bakaze: return &LineEvent::bakaze;
        case Field::DoraMarker: return &LineEvent::dora_marker;
        default: return nullptr;
    }
}
constexpr bool LineEvent::*flag_slot(Field f) noexcept {
    switch (f) {
        case Field::Tsumogiri: return &LineEvent::tsumogiri;
        case Field::AkaFlag: return &LineEvent::aka_flag;
        default: return nullptr;
    }
}
// The elements of a list member (a row of tehais: its tiles); empty when
// the replay does not keep them.
inline std::span<Tile> tile_list_slot(LineEvent& e, Field f, std::size_t row) noexcept {
    switch (f) {
        case Field::Consumed: return e.consumed;
        case Field::UraMarkers: return e.ura_markers;
        case Field::Tehais: return row < e.tehais.size() ? std::span<Tile>(e.tehais[row]) : std::span<Tile>();
        default: return {};
    }
}
inline std::span<std::int64_t> point_list_slot(LineEvent& e, Field f) noexcept {
    switch (f) {
        case Field::Scores: return e.scores;
        case Field::Deltas: return e.deltas;
        default: return {};
    }
}

}  // namespace ripaion::check
