#include "ripaion/mjlog/attr_values.hpp"

#include <charconv>

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
    // from_chars takes a leading minus but no plus, which is what we want;
    // "-" alone or an empty text fail below.
    std::int64_t v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc{} || ptr != end || text.empty()) return std::nullopt;
    return v;
}

std::optional<std::size_t> parse_int_list(std::string_view text, std::span<std::int64_t> out) noexcept {
    std::size_t count = 0;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto v = parse_int(text.substr(0, comma));
        if (!v || count == out.size()) return std::nullopt;
        out[count++] = *v;
        if (comma == std::string_view::npos) return count;
        text.remove_prefix(comma + 1);
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
