// The mjai event record: one plain struct per kind, held in a variant whose
// alternative order is the kind's tag. Events own their contents, so copying
// one gives an independent value.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ripaion/mjai/tile.hpp"

namespace ripaion::mjai {

using Seat = std::uint8_t;
using Count = std::uint8_t;
using Point = std::int32_t;
using Deltas = std::array<Point, 4>;

struct None {};
struct StartGame {
    std::array<std::string, 4> names;
    Count kyoku_first;
    bool aka_flag;
};
struct StartKyoku {
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
    Seat actor;
    Tile pai;
};
struct Dahai {
    Seat actor;
    Tile pai;
    bool tsumogiri;
};
struct Chi {
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 2> consumed;
};
struct Pon {
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 2> consumed;
};
struct Daiminkan {
    Seat actor;
    Seat target;
    Tile pai;
    std::array<Tile, 3> consumed;
};
struct Kakan {
    Seat actor;
    Tile pai;
    std::array<Tile, 3> consumed;
};
struct Ankan {
    Seat actor;
    std::array<Tile, 4> consumed;
};
struct Dora {
    Tile dora_marker;
};
struct Reach {
    Seat actor;
};
struct ReachAccepted {
    Seat actor;
};
struct Hora {
    Seat actor;
    Seat target;
    std::optional<Deltas> deltas;
    std::optional<std::vector<Tile>> ura_markers;
};
struct Ryukyoku {
    std::optional<Deltas> deltas;
};
struct EndKyoku {};
struct EndGame {};

using Event = std::variant<None, StartGame, StartKyoku, Tsumo, Dahai, Chi, Pon, Daiminkan, Kakan, Ankan,
                           Dora, Reach, ReachAccepted, Hora, Ryukyoku, EndKyoku, EndGame>;

// The `type` text of each kind, indexed by the variant's index.
std::string_view event_type_name(const Event& e) noexcept;

}  // namespace ripaion::mjai
