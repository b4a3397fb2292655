#include "ripaion/tenhou/json_number.hpp"

#include <charconv>
#include <cstdint>
#include <system_error>

namespace ripaion::tenhou::detail {
namespace {

bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

// Decides between overflow and underflow for text that std::from_chars
// found out of range: true when the value is at least 1 in magnitude.
// The value is 0.d1d2... x 10^e with d1 the first non-zero digit, so it is
// at least 1 exactly when e > 0.
bool magnitude_at_least_one(std::string_view text) noexcept {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    std::int64_t int_digits = 0;       // digits before the point
    std::int64_t first_nonzero = -1;   // position among all mantissa digits
    std::int64_t position = 0;
    for (; i < text.size() && is_digit(text[i]); ++i, ++position, ++int_digits) {
        if (first_nonzero < 0 && text[i] != '0') first_nonzero = position;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && is_digit(text[i]); ++i, ++position) {
            if (first_nonzero < 0 && text[i] != '0') first_nonzero = position;
        }
    }
    if (first_nonzero < 0) return false;  // zero never overflows
    std::int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        constexpr std::int64_t kCap = std::int64_t{1} << 40;  // saturate: only the sign of the sum matters
        for (; i < text.size() && is_digit(text[i]); ++i) {
            if (exponent < kCap) exponent = exponent * 10 + (text[i] - '0');
        }
        if (negative) exponent = -exponent;
    }
    return int_digits - first_nonzero + exponent > 0;
}

}  // namespace

std::optional<double> read_float_text(std::string_view text) noexcept {
    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)ptr;
    if (ec == std::errc{}) return value;
    if (ec == std::errc::result_out_of_range && !magnitude_at_least_one(text)) {
        return !text.empty() && text.front() == '-' ? -0.0 : 0.0;
    }
    return std::nullopt;
}

}  // namespace ripaion::tenhou::detail
