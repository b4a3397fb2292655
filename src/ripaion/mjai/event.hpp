// The mjai event record: one plain struct per kind, held in a variant whose
// alternative number is the kind (event_kinds.hpp). Events own their
// contents, so copying one gives an independent value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "ripaion/mjai/event_kinds.hpp"
#include "ripaion/mjai/tile.hpp"

namespace ripaion::mjai {

using Seat = std::uint8_t;
using Count = std::uint8_t;
using Point = std::int32_t;
using Deltas = std::array<Point, 4>;

struct None {
    static constexpr EventKind kind = EventKind::None;
};
struct StartGame {
    static constexpr EventKind kind = EventKind::StartGame;
    std::array<std::string, 4> names;
    Count kyoku_first;
    bool aka_flag;
};
struct StartKyoku {
    static constexpr EventKind kind = EventKind::StartKyoku;
    Tile bakaze;
    Tile dora_marker;
    Count kyoku;
    Count honba;
    Count kyotaku;
    Count oya;
    std::array<Point, 4> scores;
    std::array<std::array<Tile, 13>, 4> tehais;
};
struct Tsumo {
    static constexpr EventKind kind = EventKind::Tsumo;
    Seat actor;
    Tile pai;
};
struct Dahai {
    static constexpr EventKind kind = EventKind::Dahai;
    Seat actor;
    Tile pai;
    bool tsumogiri;
};
struct Chi {
    static constexpr EventKind kind = EventKind::Chi;
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 2> consumed;
};
struct Pon {
    static constexpr EventKind kind = EventKind::Pon;
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 2> consumed;
};
struct Daiminkan {
    static constexpr EventKind kind = EventKind::Daiminkan;
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 3> consumed;
};
struct Kakan {
    static constexpr EventKind kind = EventKind::Kakan;
    Seat actor;
    Tile pai;
    std::array<Tile, 3> consumed;
};
struct Ankan {
    static constexpr EventKind kind = EventKind::Ankan;
    Seat actor;
    std::array<Tile, 4> consumed;
};
struct Dora {
    static constexpr EventKind kind = EventKind::Dora;
    Tile dora_marker;
};
struct Reach {
    static constexpr EventKind kind = EventKind::Reach;
    Seat actor;
};
struct ReachAccepted {
    static constexpr EventKind kind = EventKind::ReachAccepted;
    Seat actor;
};
struct Hora {
    static constexpr EventKind kind = EventKind::Hora;
    Seat actor;
    Seat target;
    std::optional<Deltas> deltas;
    std::optional<std::vector<Tile>> ura_markers;
};
struct Ryukyoku {
    static constexpr EventKind kind = EventKind::Ryukyoku;
    std::optional<Deltas> deltas;
};
struct EndKyoku {
    static constexpr EventKind kind = EventKind::EndKyoku;
};
struct EndGame {
    static constexpr EventKind kind = EventKind::EndGame;
};

// In kind order: alternative i is the struct of kind i.
using Event = std::variant<Tsumo, Dahai, Chi, Pon, Daiminkan, Kakan, Ankan, Reach, Dora, ReachAccepted, StartGame,
                           StartKyoku, Hora, Ryukyoku, EndKyoku, EndGame, None>;
static_assert(std::variant_size_v<Event> == kEventKindCount, "one alternative per event kind");

namespace detail {
template <std::size_t... I>
constexpr bool alternatives_in_kind_order(std::index_sequence<I...>) {
    return ((static_cast<std::size_t>(std::variant_alternative_t<I, Event>::kind) == I) && ...);
}
}  // namespace detail
static_assert(detail::alternatives_in_kind_order(std::make_index_sequence<kEventKindCount>{}),
              "alternative i is the struct of kind i");

// The fields of an event struct in declaration order, as a tuple of
// references. Their number is the number of members of the kind's row: a
// struct with another number of fields does not compile here.
template <class S>
constexpr auto fields_of(S& s) noexcept {
    constexpr std::size_t n = event_kind_row(std::remove_const_t<S>::kind).members.count;
    static_assert(n <= 8, "fields_of binds at most eight fields");
    if constexpr (n == 0) {
        static_assert(std::is_empty_v<std::remove_const_t<S>>, "a kind without members has an empty struct");
        return std::tie();
    } else if constexpr (n == 1) {
        auto& [a] = s;
        return std::tie(a);
    } else if constexpr (n == 2) {
        auto& [a, b] = s;
        return std::tie(a, b);
    } else if constexpr (n == 3) {
        auto& [a, b, c] = s;
        return std::tie(a, b, c);
    } else if constexpr (n == 4) {
        auto& [a, b, c, d] = s;
        return std::tie(a, b, c, d);
    } else if constexpr (n == 5) {
        auto& [a, b, c, d, e] = s;
        return std::tie(a, b, c, d, e);
    } else if constexpr (n == 6) {
        auto& [a, b, c, d, e, f] = s;
        return std::tie(a, b, c, d, e, f);
    } else if constexpr (n == 7) {
        auto& [a, b, c, d, e, f, g] = s;
        return std::tie(a, b, c, d, e, f, g);
    } else {
        auto& [a, b, c, d, e, f, g, h] = s;
        return std::tie(a, b, c, d, e, f, g, h);
    }
}

// The C++ type a member use is held in.
template <FieldKind F, std::uint8_t Length>
constexpr auto value_type_of() {
    if constexpr (F == FieldKind::Seat || F == FieldKind::Count) {
        return std::type_identity<std::uint8_t>{};
    } else if constexpr (F == FieldKind::Flag) {
        return std::type_identity<bool>{};
    } else if constexpr (F == FieldKind::Tile || F == FieldKind::Wind) {
        return std::type_identity<Tile>{};
    } else if constexpr (F == FieldKind::Texts) {
        return std::type_identity<std::array<std::string, Length>>{};
    } else if constexpr (F == FieldKind::Points) {
        return std::type_identity<std::array<Point, Length>>{};
    } else if constexpr (F == FieldKind::Tiles && Length == 0) {
        return std::type_identity<std::vector<Tile>>{};
    } else if constexpr (F == FieldKind::Tiles) {
        return std::type_identity<std::array<Tile, Length>>{};
    } else if constexpr (F == FieldKind::TileRows) {
        return std::type_identity<std::array<std::array<Tile, kRowTiles>, Length>>{};
    } else {
        return std::type_identity<void>{};
    }
}
template <EventKind K, std::size_t I>
constexpr auto member_type_of() {
    constexpr MemberUse use = event_kind_row(K).members[I];
    using Value = typename decltype(value_type_of<field_kind(use.member), use.length>())::type;
    if constexpr (!always_written(use.presence)) {
        return std::type_identity<std::optional<Value>>{};
    } else {
        return std::type_identity<Value>{};
    }
}

namespace detail {
template <class S, std::size_t... I>
constexpr bool fields_are_members(std::index_sequence<I...>) {
    using Fields = decltype(fields_of(std::declval<S&>()));
    return (std::is_same_v<std::remove_reference_t<std::tuple_element_t<I, Fields>>,
                           typename decltype(member_type_of<S::kind, I>())::type> &&
            ...);
}
template <std::size_t... K>
constexpr bool structs_follow_rows(std::index_sequence<K...>) {
    return (fields_are_members<std::variant_alternative_t<K, Event>>(
                std::make_index_sequence<event_kind_row(static_cast<EventKind>(K)).members.count>{}) &&
            ...);
}
}  // namespace detail
// Field i of each struct holds member i of its kind's row: the type of its
// field kind and length, std::optional when the member is optional. So the
// encoder, which writes member i's name before field i's value, keeps the
// row's order (tests/cpp/encode_test.cpp pins the names to the values).
static_assert(detail::structs_follow_rows(std::make_index_sequence<kEventKindCount>{}),
              "each struct's fields are its kind's members, in order");

// The event of a line of the fixed table (id < kFixedLineCount): the kind's
// seat, tile and flag members set from the line's parts.
inline Event fixed_line_event(FixedLineId id) {
    const FixedLineParts parts = fixed_line_parts(id);
    Event e;
    [&]<std::size_t... K>(std::index_sequence<K...>) {
        ((static_cast<std::size_t>(parts.kind) == K ? (void)e.emplace<K>() : (void)0), ...);
    }(std::make_index_sequence<kEventKindCount>{});
    std::visit(
        [&](auto& body) {
            using S = std::remove_reference_t<decltype(body)>;
            constexpr EventKindRow row = event_kind_row(S::kind);
            if constexpr (row.lines == Lines::Fixed) {
                auto fields = fields_of(body);
                // The row's checks leave a seat, a tile and a flag.
                std::apply(
                    [&](auto&... field) {
                        const auto set = [&](auto& f) {
                            using T = std::remove_reference_t<decltype(f)>;
                            if constexpr (std::is_same_v<T, bool>) {
                                f = parts.flag;
                            } else if constexpr (std::is_same_v<T, Tile>) {
                                f = parts.tile;
                            } else {
                                f = parts.seat;
                            }
                        };
                        (set(field), ...);
                        (void)set;  // kinds without members
                    },
                    fields);
            }
        },
        e);
    return e;
}

inline EventKind kind_of(const Event& e) noexcept { return static_cast<EventKind>(e.index()); }

// The `type` text of the event's kind.
inline std::string_view event_type_name(const Event& e) noexcept { return event_kind_row(kind_of(e)).name; }

}  // namespace ripaion::mjai
