// The reader's stack frames (what an open array or object is being read
// as) and slots (how the next value is read and where it goes), with the
// small helpers the event handler uses to fill the model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "ripaion/mjai/tile.hpp"
#include "ripaion/tenhou/diagnostics.hpp"
#include "ripaion/tenhou/json_value.hpp"

namespace ripaion::tenhou::detail {

// Deepest level of nesting accepted for values read into the model; the
// document's outermost value is level 1.
inline constexpr std::uint32_t kMaxModelLevel = 127;

// What an open array or object is being read as.
enum class FrameKind : std::uint8_t {
    Document,  // nothing open yet: the outermost value is a RawLog
    RawLogObject,
    RawLogArray,
    RuleObject,
    RuleArray,
    HandList,
    Hand,
    Meta,
    Scores,
    Names,
    TileList,
    Haipai,
    ActionList,
    ResultList,
    ResultArray,  // a result entry that is an array: Deltas or Details
    StringList,
    FloatList,
    JsonArray,
    JsonObject,
    // The kinds below absorb everything inside them.
    Skip,              // value of a key naming no field: checked, not counted, dropped
    DoomedActionItem,  // array or object as a draw/discard entry: counted, then fails
    DoomedResultItem,  // object as a result entry: counted, then fails
};

struct Frame {
    FrameKind kind = FrameKind::Document;
    std::uint8_t field = 0;   // object frames: field of the value after the current key
    std::uint16_t seen = 0;   // object frames: one bit per field already given
    std::uint32_t count = 0;  // array frames: elements begun; absorbing frames: open containers
    void* target = nullptr;   // what the frame fills; its type follows from `kind`
};

// How the next value is read, and where it goes.
enum class Slot : std::uint8_t {
    RawLog,         // RawLog*
    Rule,           // Rule*
    HandList,       // std::vector<HandRecord>*
    Hand,           // HandRecord*
    Meta,           // HandMeta*
    Scores,         // std::int32_t[4]
    Names,          // std::string[4]
    TileList,       // std::vector<Tile>*
    Haipai,         // Tile[13]
    ActionList,     // std::vector<ActionItem>*
    ResultList,     // std::vector<ResultItem>*
    StringList,     // std::vector<std::string>*
    FloatList,      // std::vector<double>*
    String,         // std::string*
    U8,             // std::uint8_t*
    I32,            // std::int32_t*
    F64,            // double*
    Tile,           // Tile*
    ActionItem,     // ActionItem*
    ResultItem,     // ResultItem*
    Json,           // JsonValue*
    Skip,           // nothing
    OptString,      // std::optional<std::string>*
    OptI32,         // std::optional<std::int32_t>*
    OptStringList,  // std::optional<std::vector<std::string>>*
    OptFloatList,   // std::optional<std::vector<double>>*
};

struct Target {
    Slot slot = Slot::Skip;
    void* dest = nullptr;
};

inline std::string_view expected_shape(Slot slot) noexcept {
    switch (slot) {
        case Slot::RawLog: return shape::kRawLog;
        case Slot::Rule: return shape::kRule;
        case Slot::Hand:
        case Slot::Meta: return shape::kInner;
        case Slot::Scores:
        case Slot::Names: return shape::kFour;
        case Slot::Haipai: return shape::kHaipai;
        case Slot::HandList:
        case Slot::TileList:
        case Slot::ActionList:
        case Slot::ResultList:
        case Slot::StringList:
        case Slot::FloatList:
        case Slot::OptStringList:
        case Slot::OptFloatList: return shape::kSequence;
        case Slot::String:
        case Slot::OptString: return shape::kString;
        case Slot::U8:
        case Slot::Tile: return shape::kU8;
        case Slot::I32:
        case Slot::OptI32: return shape::kI32;
        case Slot::F64: return shape::kF64;
        case Slot::ActionItem: return kActionItemMismatch;
        case Slot::ResultItem: return kResultItemMismatch;
        case Slot::Json:
        case Slot::Skip: break;
    }
    return {};
}

// Appends a default element; the first one reserves room for a typical list.
template <class T>
T& grow(std::vector<T>& v, std::size_t first_capacity) {
    if (v.capacity() == 0) v.reserve(first_capacity);
    return v.emplace_back();
}

// Tenhou code -> tile index for every u8 value; codes that name no tile map
// to kNoTile. A table, so that the hot path needs no call.
inline constexpr std::uint8_t kNoTile = 0xFF;

inline std::array<std::uint8_t, 256> make_tile_code_table() noexcept {
    std::array<std::uint8_t, 256> t{};
    for (std::uint32_t code = 0; code < 256; ++code) {
        const auto tile = mjai::tile_from_tenhou_code(code);
        t[code] = tile ? mjai::tile_index(*tile) : kNoTile;
    }
    return t;
}

inline const std::array<std::uint8_t, 256> kTileCodeTable = make_tile_code_table();

inline bool fits_i32(const JsonValue& v) noexcept {
    return (v.kind == JsonValue::Kind::UInt && v.uint <= std::uint64_t{std::numeric_limits<std::int32_t>::max()}) ||
           (v.kind == JsonValue::Kind::Int && v.sint >= std::int64_t{std::numeric_limits<std::int32_t>::min()});
}

}  // namespace ripaion::tenhou::detail
