// The in-memory model of one Tenhou JSON log (format version 6).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ripaion/mjai/tile.hpp"
#include "ripaion/model/json_value.hpp"
#include "ripaion/model/notation_text.hpp"

namespace ripaion::model {

using mjai::Tile;

// An entry of a seat's draw or discard list (16 bytes).
struct ActionItem {
    enum class Kind : std::uint8_t { Tile, Number, Notation };
    Kind kind = Kind::Number;
    Tile tile{};               // Kind::Tile
    std::uint8_t number = 0;   // Kind::Number: 0..255, not a tile code
    NotationText notation;     // Kind::Notation: text as written
};

// The label of a win in a hand's result list (和了), as its exact UTF-8
// bytes: the mjlog reader writes it, the conversion looks for it.
inline constexpr std::string_view kWinLabel = "\xE5\x92\x8C\xE4\xBA\x86";

// An entry of a hand's result list.
struct ResultItem {
    enum class Kind : std::uint8_t { Label, Deltas, Details };
    Kind kind = Kind::Label;
    std::string label;                   // Kind::Label
    std::array<std::int32_t, 4> deltas{};  // Kind::Deltas
    std::vector<JsonValue> details;      // Kind::Details
};

struct HandMeta {
    std::uint8_t kyoku_num = 0;
    std::uint8_t honba = 0;
    std::uint8_t kyotaku = 0;
};

// One seat's three elements of a hand array.
struct SeatRecord {
    std::array<Tile, 13> haipai{};
    std::vector<ActionItem> takes;
    std::vector<ActionItem> discards;
};

// One hand: a JSON array of exactly 17 elements.
struct HandRecord {
    HandMeta meta;
    std::array<std::int32_t, 4> scores{};
    std::vector<Tile> dora;
    std::vector<Tile> ura;
    std::array<SeatRecord, 4> seats;  // elements 4 + 3s, 5 + 3s, 6 + 3s
    std::vector<ResultItem> results;
};

// Tenhou's rooms, from the one open to all to the highest.
enum class Room : std::uint8_t { General, Upper, Special, Phoenix };
// Their names in a game's description (convert_with_info, the manifest).
inline constexpr const char* kRoomNames[] = {"general", "upper", "special", "phoenix"};
static_assert(sizeof kRoomNames / sizeof kRoomNames[0] == static_cast<std::size_t>(Room::Phoenix) + 1);

struct Rule {
    // The rule record as a JSON log writes it: its display text and its
    // red-five counts. The XML reader leaves them empty.
    std::string disp;
    std::uint8_t aka = 0;
    std::uint8_t aka51 = 0;
    std::uint8_t aka52 = 0;
    std::uint8_t aka53 = 0;

    // The rule's facts, set once by the reader of the log's format from what
    // that format writes; the conversion reads these, never the text.
    bool three_player = false;
    bool east_only = false;
    bool red_fives = false;
    std::optional<Room> room;  // unknown when the log does not say
};

struct RawLog {
    std::vector<HandRecord> log;
    std::array<std::string, 4> name;
    Rule rule;
    std::optional<std::string> ratingc;
    std::optional<std::int32_t> lobby;
    std::optional<std::vector<std::string>> dan;
    std::optional<std::vector<double>> rate;
    std::optional<std::vector<std::string>> sx;

    // Kept to describe the game, never checked, so never a reason to refuse
    // a log: absent when the log lacks them or holds them in a form not
    // understood.
    std::optional<std::string> ref;                           // the game's id
    std::optional<std::array<std::int32_t, 4>> final_scores;  // points at the end, seat 0 first
};

}  // namespace ripaion::model
