// The mjai event record: one plain struct per kind, held in a variant whose
// alternative number is the kind (event_kinds.hpp). Events own their
// contents, so copying one gives an independent value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
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

inline EventKind kind_of(const Event& e) noexcept { return static_cast<EventKind>(e.index()); }

// The `type` text of the event's kind.
inline std::string_view event_type_name(const Event& e) noexcept { return event_kind_row(kind_of(e)).name; }

}  // namespace ripaion::mjai
