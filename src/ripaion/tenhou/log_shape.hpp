// The shape of a Tenhou log in JSON, described once and typed: for each type
// of the model, how it is written (a record by key or by position, an array
// of fixed length, a list, or a single value read by a rule of
// value_rules.hpp), the name the diagnostics give it, where each element or
// field goes, and what must hold when it closes. The handler that walks the
// text knows nothing of the log beyond what is written here.
//
// A new field of RawLog or Rule is a member in raw_log.hpp and a FieldOf
// entry below, in declaration order (the array form reads fields by
// position). A member of a type not read yet also needs its rule in
// value_rules.hpp (a scalar) or a frame type in ContainerTarget (an array or
// object), and its shape_name.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "ripaion/model/json_value.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/tenhou/diagnostics.hpp"

namespace ripaion::tenhou::detail {

// The model's types this reader fills.
using model::ActionItem;
using model::HandMeta;
using model::HandRecord;
using model::JsonValue;
using model::RawLog;
using model::ResultItem;
using model::Rule;
using model::SeatRecord;
using model::Tile;

// Deepest level of nesting accepted for values read into the model; the
// document's outermost value is level 1.
inline constexpr std::uint32_t kMaxModelLevel = 127;

using Scores = std::array<std::int32_t, 4>;
using Names = std::array<std::string, 4>;
using Haipai = std::array<Tile, 13>;

// Calls f(std::integral_constant<std::size_t, I>) for the I equal to `i`
// (one of 0 .. N - 1); the compiler makes a jump table of it.
template <std::size_t N, class F>
bool with_index(std::size_t i, F&& f) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        bool result = false;
        (void)((i == I ? (result = f(std::integral_constant<std::size_t, I>{}), true) : false) || ...);
        return result;
    }(std::make_index_sequence<N>{});
}

// ---- Names of what is expected, for kind failures ------------------------

template <class T>
inline constexpr std::string_view shape_name = {};  // read by a rule that never fails on kind
template <> inline constexpr std::string_view shape_name<RawLog> = shape::kRawLog;
template <> inline constexpr std::string_view shape_name<Rule> = shape::kRule;
template <> inline constexpr std::string_view shape_name<HandRecord> = shape::kInner;
template <> inline constexpr std::string_view shape_name<HandMeta> = shape::kInner;
template <> inline constexpr std::string_view shape_name<Scores> = shape::kFour;
template <> inline constexpr std::string_view shape_name<Names> = shape::kFour;
template <> inline constexpr std::string_view shape_name<Haipai> = shape::kHaipai;
template <class T>
inline constexpr std::string_view shape_name<std::vector<T>> = shape::kSequence;
template <class T>
inline constexpr std::string_view shape_name<std::optional<T>> = shape_name<T>;
template <> inline constexpr std::string_view shape_name<std::string> = shape::kString;
template <> inline constexpr std::string_view shape_name<std::uint8_t> = shape::kU8;
template <> inline constexpr std::string_view shape_name<Tile> = shape::kU8;
template <> inline constexpr std::string_view shape_name<std::int32_t> = shape::kI32;
template <> inline constexpr std::string_view shape_name<double> = shape::kF64;

// ---- Records: written as an object (fields by key) or as an array of the
// field values in declaration order ----------------------------------------

template <auto Member>
struct FieldOf {
    std::string_view name;
    bool required = false;

    template <class Record>
    static auto& of(Record& record) noexcept {
        return record.*Member;
    }
};

template <class Record>
struct RecordShape;

template <>
struct RecordShape<RawLog> {
    static constexpr std::tuple fields{
        FieldOf<&RawLog::log>{"log", true},   FieldOf<&RawLog::name>{"name", true},
        FieldOf<&RawLog::rule>{"rule", true}, FieldOf<&RawLog::ratingc>{"ratingc"},
        FieldOf<&RawLog::lobby>{"lobby"},     FieldOf<&RawLog::dan>{"dan"},
        FieldOf<&RawLog::rate>{"rate"},       FieldOf<&RawLog::sx>{"sx"},
    };
    static constexpr std::size_t min_elements = std::tuple_size_v<decltype(fields)>;  // the array form gives every field
    static constexpr std::string_view array_shape = shape::kRawLogArray;
};

template <>
struct RecordShape<Rule> {
    static constexpr std::tuple fields{
        FieldOf<&Rule::disp>{"disp"},   FieldOf<&Rule::aka>{"aka"},     FieldOf<&Rule::aka51>{"aka51"},
        FieldOf<&Rule::aka52>{"aka52"}, FieldOf<&Rule::aka53>{"aka53"},
    };
    static constexpr std::size_t min_elements = 0;  // missing trailing fields take their defaults
    static constexpr std::string_view array_shape = shape::kRuleArray;
};

template <class Record>
inline constexpr std::size_t kFieldCount = std::tuple_size_v<decltype(RecordShape<Record>::fields)>;

inline constexpr std::uint8_t kNoField = 0xFF;  // a key naming no field: its value is skipped

// Exact, case-sensitive match of an unescaped key.
template <class Record>
std::uint8_t field_index(std::string_view key) noexcept {
    std::uint8_t index = kNoField;
    std::apply(
        [&](const auto&... field) {
            std::uint8_t i = 0;
            (void)((field.name == key ? (index = i, true) : (++i, false)) || ...);
        },
        RecordShape<Record>::fields);
    return index;
}

// Calls use(T&) with field `i` of the record.
template <class Record, class Use>
bool with_field(Record& record, std::size_t i, Use&& use) {
    return with_index<kFieldCount<Record>>(i, [&](auto index) {
        return use(std::get<decltype(index)::value>(RecordShape<Record>::fields).of(record));
    });
}

// The first required field missing from `seen` (one bit per field given).
template <class Record>
std::string_view missing_required(std::uint32_t seen) noexcept {
    std::string_view missing;
    std::apply(
        [&](const auto&... field) {
            std::uint8_t i = 0;
            (void)(((field.required && !(seen & (1u << i))) ? (missing = field.name, true) : (++i, false)) || ...);
        },
        RecordShape<Record>::fields);
    return missing;
}

// ---- Arrays of fixed length: hands, their meta, scores, names, starting
// hands -------------------------------------------------------------------

template <class T>
inline constexpr std::size_t kFixedLength = 0;  // not of fixed length
template <> inline constexpr std::size_t kFixedLength<HandRecord> = 17;
template <> inline constexpr std::size_t kFixedLength<HandMeta> = 3;
template <> inline constexpr std::size_t kFixedLength<Scores> = 4;
template <> inline constexpr std::size_t kFixedLength<Names> = 4;
template <> inline constexpr std::size_t kFixedLength<Haipai> = 13;

// The name of the shape when the count is wrong.
template <class T>
inline constexpr std::string_view length_shape = shape_name<T>;
template <> inline constexpr std::string_view length_shape<HandRecord> = shape::kHand;
template <> inline constexpr std::string_view length_shape<HandMeta> = shape::kMeta;

// Calls use(T&) with element `i`, which is below the length.
template <class Use>
bool with_fixed_element(HandRecord& hand, std::uint32_t i, Use&& use) {
    switch (i) {
        case 0: return use(hand.meta);
        case 1: return use(hand.scores);
        case 2: return use(hand.dora);
        case 3: return use(hand.ura);
        case 16: return use(hand.results);
        default: break;
    }
    // Seat s owns elements 4 + 3s (starting hand), 5 + 3s (takes), 6 + 3s (discards).
    SeatRecord& seat = hand.seats[(i - 4) / 3];
    switch ((i - 4) % 3) {
        case 0: return use(seat.haipai);
        case 1: return use(seat.takes);
        default: return use(seat.discards);
    }
}

template <class Use>
bool with_fixed_element(HandMeta& meta, std::uint32_t i, Use&& use) {
    return use(i == 0 ? meta.kyoku_num : i == 1 ? meta.honba : meta.kyotaku);
}

template <class T, std::size_t N, class Use>
bool with_fixed_element(std::array<T, N>& array, std::uint32_t i, Use&& use) {
    return use(array[i]);
}

// ---- Lists ----------------------------------------------------------------

// How many elements a list's first allocation holds: a typical count.
template <class T>
inline constexpr std::size_t kFirstCapacity = 4;
template <> inline constexpr std::size_t kFirstCapacity<HandRecord> = 16;
template <> inline constexpr std::size_t kFirstCapacity<Tile> = 8;
template <> inline constexpr std::size_t kFirstCapacity<ActionItem> = 24;
template <> inline constexpr std::size_t kFirstCapacity<JsonValue> = 8;

// ---- Values that are generic or skipped -----------------------------------

// The value of a key naming no field: checked for syntax, then dropped; its
// nesting is not counted.
struct Skipped {};

// Values of keys the reader keeps without checking them, a log's `ref` and
// `sc`: taken when they have the form wanted, otherwise dropped as a skipped
// value is (never a failure, their nesting not counted). A key given twice
// keeps nothing.
inline constexpr std::uint8_t kKeptRef = 0xFE;     // the field of a `ref` key
inline constexpr std::uint8_t kKeptScores = 0xFD;  // the field of an `sc` key

// `ref`: a text.
struct KeptRef {
    std::optional<std::string> text;
    bool given = false;

    void keep(std::string_view t) {
        if (given) return drop();
        given = true;
        text.emplace(t);
    }
    void drop() noexcept {
        given = true;
        text.reset();
    }
};

// `sc`: eight numbers, each seat's final points (an integer) and result.
struct KeptScores {
    std::array<std::int32_t, 4> points{};
    std::uint32_t count = 0;  // entries read
    bool given = false;
    bool understood = false;

    // The array opens; false when the key was given before.
    bool begin() noexcept {
        if (given) return false;
        given = understood = true;
        return true;
    }
    void drop() noexcept {
        given = true;
        understood = false;
    }
    void integer(std::int64_t v) noexcept {
        if (count < 8 && count % 2 == 0) {
            if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
                understood = false;
            }
            points[count / 2] = static_cast<std::int32_t>(v);
        }
        ++count;
    }
    void fraction() noexcept {
        if (count % 2 == 0) understood = false;  // points are whole
        ++count;
    }
    void other() noexcept {
        understood = false;
        ++count;
    }
    std::optional<std::array<std::int32_t, 4>> value() const noexcept {
        if (understood && count == 8) return points;
        return std::nullopt;
    }
};
// An entry of the open `sc` array.
struct KeptScoreEntry {
    KeptScores& scores;
};

// The field a key names that no record field has: kept or skipped.
inline std::uint8_t kept_field(std::string_view key) noexcept {
    return key == "ref" ? kKeptRef : key == "sc" ? kKeptScores : kNoField;
}

// An array or object where a draw, discard or result entry stands: read
// whole (its nesting counts), then refused with the entry type's text.
struct Doomed {
    std::string_view mismatch;
};

// The document: one value, a RawLog.
struct Document {
    RawLog log;
};

// ---- What an open array or object fills ---------------------------------

// A reference to one of the types Ts that knows which one it is.
template <class... Ts>
class OneOf {
public:
    OneOf() noexcept = default;  // refers to nothing; never visited
    template <class T>
    explicit OneOf(T& target) noexcept : target_(&target), index_(index_of<T>()) {}

    // Calls use(T&) with the referenced value.
    template <class Use>
    bool visit(Use&& use) const {
        using Types = std::tuple<Ts...>;
        return with_index<sizeof...(Ts)>(index_, [&](auto index) {
            return use(*static_cast<std::tuple_element_t<decltype(index)::value, Types>*>(target_));
        });
    }

    template <class T>
    bool is() const noexcept {
        return index_ == index_of<T>();
    }
    // The referenced value, which is a T.
    template <class T>
    T& as() const noexcept {
        return *static_cast<T*>(target_);
    }

private:
    template <class T>
    static constexpr std::uint8_t index_of() noexcept {
        static_assert((std::is_same_v<T, Ts> || ...), "not a type an array or object is read into");
        std::uint8_t i = 0;
        (void)((std::is_same_v<T, Ts> ? true : (++i, false)) || ...);
        return i;
    }

    void* target_ = nullptr;
    std::uint8_t index_ = 0;
};

using ContainerTarget =
    OneOf<std::vector<ActionItem>, Haipai, std::vector<Tile>, HandRecord, HandMeta, Scores, std::vector<HandRecord>,
          std::vector<ResultItem>, ResultItem, JsonValue, Names, RawLog, Rule, std::vector<std::string>,
          std::vector<double>, Skipped, Doomed, Document, KeptScores>;

}  // namespace ripaion::tenhou::detail
