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

std::string with_exponents_zeroed(std::string_view text) {
    std::string out(text);
    bool in_string = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (in_string) {
            if (c == '\\') ++i;  // the escaped character cannot end the text
            else if (c == '"') in_string = false;
            continue;
        }
        if (c == '"') {
            in_string = true;
            continue;
        }
        // Outside texts an e follows a digit only as a number's exponent
        // mark (the e of true and false follows a letter).
        if ((c != 'e' && c != 'E') || i == 0 || !is_digit(out[i - 1])) continue;
        std::size_t k = i + 1;
        if (k < out.size() && (out[k] == '+' || out[k] == '-')) ++k;
        for (; k < out.size() && is_digit(out[k]); ++k) out[k] = '0';
        i = k - 1;
    }
    return out;
}

}  // namespace ripaion::tenhou::detail
