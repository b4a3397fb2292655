// Attribute values of mjlog tags: decimal integers and comma-separated
// lists of them, and percent-encoded player names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ripaion::mjlog {

// A decimal integer with an optional minus sign, nothing else.
std::optional<std::int64_t> parse_int(std::string_view text) noexcept;

// Items separated by commas into `out`; the count, or empty when an item is
// not an integer or there are more items than `out` holds.
std::optional<std::size_t> parse_int_list(std::string_view text, std::span<std::int64_t> out) noexcept;

// %XX escapes decoded; the result must be UTF-8.
std::optional<std::string> percent_decode_utf8(std::string_view text);

}  // namespace ripaion::mjlog
