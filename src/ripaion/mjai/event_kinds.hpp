// Every kind of mjai event in one table. A kind's row gives its `type` name,
// its members in the order they are written (each with its field kind,
// required or optional, and list length) and whether its lines make up the
// fixed table. Everything else is read from here: the encoder's member
// order and line room (encode.cpp), the shape of the fixed table (below),
// and the stream checker's reader, forms and table of known lines
// (check/). The event structs (event.hpp) are tied to their rows at compile
// time. The checks below refuse a table whose rows are out of step.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
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

// What a member's value is, which fixes its C++ type in the event struct,
// its JSON form, and the range a checked stream must keep to.
enum class FieldKind : std::uint8_t {
    Kind,      // the `type` member: a kind's name
    Seat,      // integer 0 to 3 (written as an unsigned 8-bit number)
    Count,     // integer 0 to 255
    Flag,      // true or false
    Tile,      // a tile name
    Wind,      // a tile name, and the tile a wind
    Texts,     // list of `length` texts
    Points,    // list of `length` signed 32-bit integers
    Tiles,     // list of `length` tile names (any number when `length` is 0)
    TileRows,  // list of `length` lists of kRowTiles tile names
};
inline constexpr std::size_t kRowTiles = 13;

// Every member name a line may carry, `type` first.
enum class Member : std::uint8_t {
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
};

struct MemberRow {
    Member member;
    std::string_view name;
    FieldKind kind;
};

inline constexpr MemberRow kMembers[] = {
    {Member::Type, "type", FieldKind::Kind},
    {Member::Actor, "actor", FieldKind::Seat},
    {Member::Target, "target", FieldKind::Seat},
    {Member::Pai, "pai", FieldKind::Tile},
    {Member::Tsumogiri, "tsumogiri", FieldKind::Flag},
    {Member::Consumed, "consumed", FieldKind::Tiles},
    {Member::Names, "names", FieldKind::Texts},
    {Member::KyokuFirst, "kyoku_first", FieldKind::Count},
    {Member::AkaFlag, "aka_flag", FieldKind::Flag},
    {Member::Bakaze, "bakaze", FieldKind::Wind},
    {Member::DoraMarker, "dora_marker", FieldKind::Tile},
    {Member::Kyoku, "kyoku", FieldKind::Count},
    {Member::Honba, "honba", FieldKind::Count},
    {Member::Kyotaku, "kyotaku", FieldKind::Count},
    {Member::Oya, "oya", FieldKind::Seat},
    {Member::Scores, "scores", FieldKind::Points},
    {Member::Tehais, "tehais", FieldKind::TileRows},
    {Member::Deltas, "deltas", FieldKind::Points},
    {Member::UraMarkers, "ura_markers", FieldKind::Tiles},
};
inline constexpr std::size_t kMemberCount = std::size(kMembers);

constexpr std::size_t member_index(Member m) noexcept { return static_cast<std::size_t>(m); }
constexpr const MemberRow& member_row(Member m) noexcept { return kMembers[member_index(m)]; }
constexpr FieldKind field_kind(Member m) noexcept { return member_row(m).kind; }
constexpr bool is_list(FieldKind k) noexcept {
    return k == FieldKind::Texts || k == FieldKind::Points || k == FieldKind::Tiles || k == FieldKind::TileRows;
}

// Whether a member is in every line of its kind. An optional member is left
// out of the line when the event lacks it (never written as null). A
// member the encoder always writes, but other producers leave out, is
// `Omissible`: a stream checker takes lines without it.
enum class Presence : std::uint8_t { Required, Optional, Omissible };

// One member of a kind.
struct MemberUse {
    Member member = Member::Type;
    Presence presence = Presence::Required;
    std::uint8_t length = 0;  // list members: the number of elements, 0 for any
};
inline constexpr Presence kOptional = Presence::Optional;
// Whether an event of the kind always has the member.
constexpr bool always_written(Presence p) noexcept { return p != Presence::Optional; }
// Whether a stream's line of the kind must have the member.
constexpr bool always_read(Presence p) noexcept { return p == Presence::Required; }

// A kind's members in the order they are written, after `type`.
inline constexpr std::size_t kMaxMembers = 8;
struct MemberList {
    std::array<MemberUse, kMaxMembers> items{};
    std::uint8_t count = 0;

    constexpr MemberList(std::initializer_list<MemberUse> uses) {
        for (const MemberUse& u : uses) items[count++] = u;
    }
    constexpr const MemberUse* begin() const noexcept { return items.data(); }
    constexpr const MemberUse* end() const noexcept { return items.data() + count; }
    constexpr const MemberUse& operator[](std::size_t i) const noexcept { return items[i]; }
};

// Whether the kind's lines are lines of the fixed table: lines that come
// from a small finite set (a draw or a discard of one of the 38 tiles by one
// of the four seats, a riichi, a dora reveal, the events without members)
// make up almost every line of a game, so each is encoded once and
// afterwards looked up by number.
enum class Lines : bool { Encoded, Fixed };

struct EventKindRow {
    EventKind kind;
    std::string_view name;  // the `type` member
    Lines lines;
    MemberList members;
};

inline constexpr EventKindRow kEventKinds[] = {
    {EventKind::Tsumo, "tsumo", Lines::Fixed, {{Member::Actor}, {Member::Pai}}},
    {EventKind::Dahai, "dahai", Lines::Fixed, {{Member::Actor}, {Member::Pai}, {Member::Tsumogiri}}},
    {EventKind::Chi, "chi", Lines::Encoded,
     {{Member::Actor}, {Member::Target}, {Member::Pai}, {Member::Consumed, Presence::Required, 2}}},
    {EventKind::Pon, "pon", Lines::Encoded,
     {{Member::Actor}, {Member::Target}, {Member::Pai}, {Member::Consumed, Presence::Required, 2}}},
    {EventKind::Daiminkan, "daiminkan", Lines::Encoded,
     {{Member::Actor}, {Member::Target}, {Member::Pai}, {Member::Consumed, Presence::Required, 3}}},
    {EventKind::Kakan, "kakan", Lines::Encoded,
     {{Member::Actor}, {Member::Pai}, {Member::Consumed, Presence::Required, 3}}},
    {EventKind::Ankan, "ankan", Lines::Encoded, {{Member::Actor}, {Member::Consumed, Presence::Required, 4}}},
    {EventKind::Reach, "reach", Lines::Fixed, {{Member::Actor}}},
    {EventKind::Dora, "dora", Lines::Fixed, {{Member::DoraMarker}}},
    {EventKind::ReachAccepted, "reach_accepted", Lines::Fixed, {{Member::Actor}}},
    {EventKind::StartGame, "start_game", Lines::Encoded,
     {{Member::Names, Presence::Required, 4},
      {Member::KyokuFirst, Presence::Omissible},
      {Member::AkaFlag, Presence::Omissible}}},
    {EventKind::StartKyoku, "start_kyoku", Lines::Encoded,
     {{Member::Bakaze},
      {Member::DoraMarker},
      {Member::Kyoku},
      {Member::Honba},
      {Member::Kyotaku},
      {Member::Oya},
      {Member::Scores, Presence::Required, 4},
      {Member::Tehais, Presence::Required, 4}}},
    {EventKind::Hora, "hora", Lines::Encoded,
     {{Member::Actor}, {Member::Target}, {Member::Deltas, kOptional, 4}, {Member::UraMarkers, kOptional, 0}}},
    {EventKind::Ryukyoku, "ryukyoku", Lines::Encoded, {{Member::Deltas, kOptional, 4}}},
    {EventKind::EndKyoku, "end_kyoku", Lines::Fixed, {}},
    {EventKind::EndGame, "end_game", Lines::Fixed, {}},
    {EventKind::None, "none", Lines::Encoded, {}},
};
static_assert(std::size(kEventKinds) == kEventKindCount, "one row per event kind");

constexpr const EventKindRow& event_kind_row(EventKind kind) noexcept {
    return kEventKinds[static_cast<std::size_t>(kind)];
}

namespace detail {
constexpr bool members_in_order() {
    for (std::size_t i = 0; i < kMemberCount; ++i)
        if (member_index(kMembers[i].member) != i) return false;
    return true;
}
constexpr bool kinds_in_order() {
    for (std::size_t i = 0; i < kEventKindCount; ++i)
        if (static_cast<std::size_t>(kEventKinds[i].kind) != i) return false;
    return true;
}
// Each member once per kind, never `type`; lengths where the field kind is
// a list and nowhere else (a list of any length only for tiles).
constexpr bool member_uses_sound() {
    for (const EventKindRow& row : kEventKinds) {
        for (std::size_t i = 0; i < row.members.count; ++i) {
            const MemberUse& u = row.members[i];
            const FieldKind k = field_kind(u.member);
            if (u.member == Member::Type) return false;
            if (is_list(k) != (u.length != 0 || k == FieldKind::Tiles)) return false;
            for (std::size_t j = 0; j < i; ++j)
                if (row.members[j].member == u.member) return false;
        }
    }
    return true;
}
}  // namespace detail
static_assert(detail::members_in_order(), "member row i describes member i");
static_assert(detail::kinds_in_order(), "row i describes kind i");
static_assert(detail::member_uses_sound(), "a kind lists each member once, with a length exactly for lists");
static_assert(kMemberCount < 32, "the checker keeps one bit per member");

// The most elements a member's list has in any kind (0: a list of any length).
constexpr std::uint8_t longest_use(Member m) noexcept {
    std::uint8_t n = 0;
    for (const EventKindRow& row : kEventKinds) {
        for (const MemberUse& u : row.members) {
            if (u.member != m) continue;
            if (u.length == 0) return 0;
            n = u.length > n ? u.length : n;
        }
    }
    return n;
}

// The fixed table. A fixed kind's members are at most one seat, one tile
// and one flag, all required; it has one table line per seat (0 to 3) if it
// has a seat, times one per tile if it has a tile, times two (false, true)
// if it has a flag.
struct FixedLineShape {
    bool fixed = false;
    bool by_seat = false;
    bool by_tile = false;
    bool by_flag = false;
};

constexpr FixedLineShape fixed_line_shape(const EventKindRow& row) noexcept {
    FixedLineShape s;
    if (row.lines != Lines::Fixed) return s;
    s.fixed = true;
    for (const MemberUse& u : row.members) {
        switch (field_kind(u.member)) {
            case FieldKind::Seat: s.by_seat = true; break;
            case FieldKind::Tile: s.by_tile = true; break;
            case FieldKind::Flag: s.by_flag = true; break;
            default: break;
        }
    }
    return s;
}

namespace detail {
constexpr bool fixed_kinds_sound() {
    for (const EventKindRow& row : kEventKinds) {
        if (row.lines != Lines::Fixed) continue;
        int seats = 0, tiles = 0, flags = 0;
        for (const MemberUse& u : row.members) {
            if (!always_written(u.presence)) return false;
            switch (field_kind(u.member)) {
                case FieldKind::Seat: ++seats; break;
                case FieldKind::Tile: ++tiles; break;
                case FieldKind::Flag: ++flags; break;
                default: return false;
            }
        }
        if (seats > 1 || tiles > 1 || flags > 1) return false;
    }
    return true;
}
}  // namespace detail
static_assert(detail::fixed_kinds_sound(), "a fixed kind has at most one required seat, tile and flag");

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
        rules[i] = fixed_line_rule_of(fixed_line_shape(kEventKinds[i]), next);
        next = static_cast<std::uint16_t>(next + rules[i].count);
    }
    return rules;
}();

inline constexpr std::size_t kFixedLineCount = [] {
    std::size_t n = 0;
    for (const FixedLineRule& r : kFixedLineRules) n += r.count;
    return n;
}();

// What a table line holds: the inverse of the rule above. Members the kind
// lacks are 0 (false).
struct FixedLineParts {
    EventKind kind = EventKind::None;
    std::uint8_t seat = 0;
    Tile tile{};
    bool flag = false;
};

constexpr FixedLineParts fixed_line_parts(FixedLineId id) noexcept {
    FixedLineParts p;
    for (std::size_t k = 0; k < kEventKindCount; ++k) {
        const FixedLineRule& r = kFixedLineRules[k];
        if (id < r.base || id >= r.base + r.count) continue;
        std::size_t rest = id - r.base;
        p.kind = static_cast<EventKind>(k);
        if (r.per_seat) {
            p.seat = static_cast<std::uint8_t>(rest / r.per_seat);
            rest %= r.per_seat;
        }
        if (r.per_tile) {
            p.tile = Tile{static_cast<std::uint8_t>(rest / r.per_tile)};
            rest %= r.per_tile;
        }
        p.flag = r.per_flag != 0 && rest != 0;
        break;
    }
    return p;
}

}  // namespace ripaion::mjai
