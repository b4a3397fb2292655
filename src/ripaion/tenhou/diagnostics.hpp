// The diagnostic texts of reading failures. They name what was found and
// what the reader expected there; they serve tests and debugging only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ripaion/tenhou/json_scalar.hpp"

namespace ripaion::tenhou::detail {

// Where a reading failure leaves its text. Calling it records the text and
// gives false, so that a rule can `return fault(text)`.
struct Fault {
    std::string text;
    bool operator()(std::string message) {
        text = std::move(message);
        return false;
    }
    bool operator()(std::string_view message) { return (*this)(std::string(message)); }
};

// Names of the expected shapes, as the diagnostics write them.
namespace shape {
inline constexpr std::string_view kRawLog = "struct RawLog";
inline constexpr std::string_view kRawLogArray = "struct RawLog with 8 elements";
inline constexpr std::string_view kRule = "struct Rule";
inline constexpr std::string_view kRuleArray = "struct Rule with at most 5 elements";
inline constexpr std::string_view kInner = "tuple struct Inner";
inline constexpr std::string_view kHand = "tuple struct Inner with 17 elements";
inline constexpr std::string_view kMeta = "tuple struct Inner with 3 elements";
inline constexpr std::string_view kFour = "an array of length 4";
inline constexpr std::string_view kHaipai = "an array of size 13";
inline constexpr std::string_view kSequence = "a sequence";
inline constexpr std::string_view kString = "a string";
inline constexpr std::string_view kU8 = "u8";
inline constexpr std::string_view kI32 = "i32";
inline constexpr std::string_view kF64 = "f64";
}  // namespace shape

inline constexpr std::string_view kActionItemMismatch =
    "data did not match any variant of untagged enum ActionItem";
inline constexpr std::string_view kResultItemMismatch =
    "data did not match any variant of untagged enum ResultItem";
inline constexpr std::string_view kRecursionLimit = "recursion limit exceeded";
inline constexpr std::string_view kTrailingCharacters = "trailing characters";
inline constexpr std::string_view kNumberOutOfRange = "number out of range";

// "integer `5`", "floating point `1.5`", "string \"x\"", "boolean `true`", "null".
std::string describe(Null);
std::string describe(Bool value);
std::string describe(UInt value);
std::string describe(NegInt value);
std::string describe(Float value);
std::string describe(Text value);
inline constexpr std::string_view kFoundArray = "sequence";
inline constexpr std::string_view kFoundObject = "map";

std::string invalid_type(std::string_view found, std::string_view expected);
std::string invalid_value(std::string_view found, std::string_view expected);
std::string invalid_length(std::size_t count, std::string_view expected);
std::string too_many_elements(std::size_t limit, std::string_view expected);
std::string duplicate_field(std::string_view key);
std::string missing_field(std::string_view key);
// "invalid value: 10, expected one of: 0, 11, 12, ..., 53".
std::string bad_tile_code(std::uint64_t value);

}  // namespace ripaion::tenhou::detail
