// The JSON keys of the log's records, in declaration order (which is also
// the element order of a record written as an array).
#pragma once

#include <cstdint>
#include <string_view>

namespace ripaion::tenhou::detail {

enum class RawLogField : std::uint8_t { Log, Name, Rule, Ratingc, Lobby, Dan, Rate, Sx, None };
inline constexpr std::uint8_t kRawLogFieldCount = 8;

enum class RuleField : std::uint8_t { Disp, Aka, Aka51, Aka52, Aka53, None };
inline constexpr std::uint8_t kRuleFieldCount = 5;

// Exact, case-sensitive match of an unescaped key; None for any other key.
RawLogField raw_log_field(std::string_view key) noexcept;
RuleField rule_field(std::string_view key) noexcept;

std::string_view raw_log_field_name(RawLogField f) noexcept;

}  // namespace ripaion::tenhou::detail
