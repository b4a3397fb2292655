// The rules by which a scalar JSON value is read into a model value, one
// overload per (model type, JSON kind) that is accepted; every other pair is
// a kind failure naming what the model type expects. The same rule reads a
// type wherever it stands: one tile rule for dora, ura and starting hands,
// shared with the tile kind of draw and discard entries.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "ripaion/mjai/tile.hpp"
#include "ripaion/model/json_value.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/tenhou/diagnostics.hpp"
#include "ripaion/tenhou/json_scalar.hpp"
#include "ripaion/tenhou/log_shape.hpp"

namespace ripaion::tenhou::detail {

// ---- Tiles -----------------------------------------------------------------

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

// The tile a u8 names, if it is a tile code.
[[gnu::always_inline]] inline bool tile_of_code(std::uint8_t code, Tile& out) noexcept {
    const std::uint8_t index = kTileCodeTable[code];
    out = Tile{index == kNoTile ? std::uint8_t{0} : index};
    return index != kNoTile;
}

// ---- Any pair not accepted below: a kind failure --------------------------

template <class Target, class Value>
bool put(Target&, const Value& v, Fault& fault) {
    return fault(invalid_type(describe(v), shape_name<Target>));
}

// The value of a key naming no field.
template <class Value>
bool put(Skipped&, const Value&, Fault&) {
    return true;
}

// Kept values (never a failure): a text for `ref`, numbers in `sc`.
inline bool put(KeptRef& kept, Text v, Fault&) {
    kept.keep(v.value);
    return true;
}
template <class Value>
bool put(KeptRef& kept, const Value&, Fault&) {
    kept.drop();
    return true;
}
template <class Value>
bool put(KeptScores& kept, const Value&, Fault&) {  // a scalar where the array belongs
    kept.drop();
    return true;
}
inline bool put(KeptScoreEntry& e, UInt v, Fault&) {
    if (v.value > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) e.scores.other();
    else e.scores.integer(static_cast<std::int64_t>(v.value));
    return true;
}
inline bool put(KeptScoreEntry& e, NegInt v, Fault&) {
    e.scores.integer(v.value);
    return true;
}
inline bool put(KeptScoreEntry& e, Float, Fault&) {
    e.scores.fraction();
    return true;
}
template <class Value>
bool put(KeptScoreEntry& e, const Value&, Fault&) {
    e.scores.other();
    return true;
}

// ---- Integers: out of the field's range is a value failure ----------------

[[gnu::always_inline]] inline bool put(std::uint8_t& out, UInt v, Fault& fault) {
    if (v.value > 255) return fault(invalid_value(describe(v), shape::kU8));
    out = static_cast<std::uint8_t>(v.value);
    return true;
}
inline bool put(std::uint8_t&, NegInt v, Fault& fault) { return fault(invalid_value(describe(v), shape::kU8)); }

inline bool put(std::int32_t& out, UInt v, Fault& fault) {
    if (v.value > std::uint64_t{std::numeric_limits<std::int32_t>::max()}) {
        return fault(invalid_value(describe(v), shape::kI32));
    }
    out = static_cast<std::int32_t>(v.value);
    return true;
}
inline bool put(std::int32_t& out, NegInt v, Fault& fault) {
    if (v.value < std::int64_t{std::numeric_limits<std::int32_t>::min()}) {
        return fault(invalid_value(describe(v), shape::kI32));
    }
    out = static_cast<std::int32_t>(v.value);
    return true;
}

// A tile: a u8 that is one of the tile codes.
[[gnu::always_inline]] inline bool put(Tile& out, UInt v, Fault& fault) {
    std::uint8_t code = 0;
    if (!put(code, v, fault)) return false;
    if (!tile_of_code(code, out)) return fault(bad_tile_code(code));
    return true;
}
inline bool put(Tile&, NegInt v, Fault& fault) { return fault(invalid_value(describe(v), shape::kU8)); }

// ---- Floats and texts -----------------------------------------------------

inline bool put(double& out, UInt v, Fault&) {
    out = static_cast<double>(v.value);
    return true;
}
inline bool put(double& out, NegInt v, Fault&) {
    out = static_cast<double>(v.value);
    return true;
}
inline bool put(double& out, Float v, Fault&) {
    out = v.value;
    return true;
}

inline bool put(std::string& out, Text v, Fault&) {
    out.assign(v.value);
    return true;
}

// ---- Optional fields: null is absent ----------------------------------------

template <class T>
bool put(std::optional<T>&, Null, Fault&) {
    return true;
}
template <class T, class Value>
bool put(std::optional<T>& out, const Value& v, Fault& fault) {
    return put(out.emplace(), v, fault);
}

// ---- Entries of draw and discard lists: tile code, other u8, or text ------

[[gnu::always_inline]] inline bool put(ActionItem& out, UInt v, Fault& fault) {
    if (v.value > 255) return fault(kActionItemMismatch);
    const auto value = static_cast<std::uint8_t>(v.value);
    // Selects rather than branches: tile codes and tsumogiri markers follow
    // each other in no predictable order.
    const bool is_tile = tile_of_code(value, out.tile);
    out.kind = is_tile ? ActionItem::Kind::Tile : ActionItem::Kind::Number;
    out.number = is_tile ? std::uint8_t{0} : value;
    return true;
}
inline bool put(ActionItem& out, Text v, Fault&) {
    out.kind = ActionItem::Kind::Notation;
    out.notation.assign(v.value);
    return true;
}
template <class Value>
bool put(ActionItem&, const Value&, Fault& fault) {
    return fault(kActionItemMismatch);
}

// ---- Entries of result lists: a text is a label; arrays are settled when
// they close --------------------------------------------------------------

inline bool put(ResultItem& out, Text v, Fault&) {
    out.kind = ResultItem::Kind::Label;
    out.label.assign(v.value);
    return true;
}
template <class Value>
bool put(ResultItem&, const Value&, Fault& fault) {
    return fault(kResultItemMismatch);
}

// A result entry that is an array of exactly four 32-bit integers is a
// score change; any other array is a win's details.
inline void settle_result_array(ResultItem& item) {
    auto& d = item.details;
    if (d.size() != 4) return;
    std::array<std::int32_t, 4> deltas{};
    Fault ignored;
    for (std::size_t k = 0; k < 4; ++k) {
        const bool fits = (d[k].kind == JsonValue::Kind::UInt && put(deltas[k], UInt{d[k].uint}, ignored)) ||
                          (d[k].kind == JsonValue::Kind::Int && put(deltas[k], NegInt{d[k].sint}, ignored));
        if (!fits) return;
    }
    item.kind = ResultItem::Kind::Deltas;
    item.deltas = deltas;
    d = {};
}

// ---- Generic values (win details): every value is kept as written --------

// Sets a generic value's kind and the one member that kind uses.
template <auto Member, class V>
bool keep(JsonValue& out, JsonValue::Kind kind, const V& value) {
    out.kind = kind;
    out.*Member = value;
    return true;
}
inline bool put(JsonValue& out, Null, Fault&) {
    out.kind = JsonValue::Kind::Null;
    return true;
}
inline bool put(JsonValue& out, Bool v, Fault&) { return keep<&JsonValue::boolean>(out, JsonValue::Kind::Bool, v.value); }
inline bool put(JsonValue& out, UInt v, Fault&) { return keep<&JsonValue::uint>(out, JsonValue::Kind::UInt, v.value); }
inline bool put(JsonValue& out, NegInt v, Fault&) { return keep<&JsonValue::sint>(out, JsonValue::Kind::Int, v.value); }
inline bool put(JsonValue& out, Float v, Fault&) { return keep<&JsonValue::real>(out, JsonValue::Kind::Double, v.value); }
inline bool put(JsonValue& out, Text v, Fault&) {
    return keep<&JsonValue::string>(out, JsonValue::Kind::String, v.value);
}

}  // namespace ripaion::tenhou::detail
