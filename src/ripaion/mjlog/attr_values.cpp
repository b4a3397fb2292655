#include "ripaion/mjlog/attr_values.hpp"

#include "ripaion/utf8.hpp"

namespace ripaion::mjlog {
namespace {

int hex_digit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::int64_t> parse_int(std::string_view text) noexcept {
    // Digits by hand: from_chars costs more for the two- and three-digit
    // numbers that make up nearly every value. 18 digits cannot overflow.
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

std::optional<std::size_t> parse_int_list(std::string_view text, std::span<std::int64_t> out) noexcept {
    // One pass over the characters; an item ends at a comma or the end.
    std::size_t count = 0, digits = 0;
    bool negative = false;
    std::int64_t v = 0;
    for (std::size_t i = 0;; ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c >= '0' && c <= '9') {
            if (++digits > 18) return std::nullopt;
            v = v * 10 + (c - '0');
        } else if (c == '-' && digits == 0 && !negative) {
            negative = true;
        } else if (c == ',' && digits > 0 && count < out.size()) {
            out[count++] = negative ? -v : v;
            if (i >= text.size()) return count;
            digits = 0;
            negative = false;
            v = 0;
        } else {
            return std::nullopt;
        }
    }
}

std::optional<std::string> percent_decode_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int hi = hex_digit(text[i + 1]), lo = hex_digit(text[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    if (!utf8_valid(out)) return std::nullopt;
    return out;
}

}  // namespace ripaion::mjlog
