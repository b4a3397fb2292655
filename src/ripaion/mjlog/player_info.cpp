#include "ripaion/mjlog/player_info.hpp"

#include <charconv>
#include <cstddef>
#include <limits>

#include "ripaion/mjlog/attr_values.hpp"

namespace ripaion::mjlog {
namespace {

// Tenhou's ranks by number, as its JSON export writes them (full-width
// digits in the kyu ranks).
constexpr std::array<std::string_view, 21> kDanTexts{
    "\xE6\x96\xB0\xE4\xBA\xBA",  // 0 新人
    "\xEF\xBC\x99\xE7\xB4\x9A",  // 1 ９級
    "\xEF\xBC\x98\xE7\xB4\x9A",  // 2 ８級
    "\xEF\xBC\x97\xE7\xB4\x9A",  // 3 ７級
    "\xEF\xBC\x96\xE7\xB4\x9A",  // 4 ６級
    "\xEF\xBC\x95\xE7\xB4\x9A",  // 5 ５級
    "\xEF\xBC\x94\xE7\xB4\x9A",  // 6 ４級
    "\xEF\xBC\x93\xE7\xB4\x9A",  // 7 ３級
    "\xEF\xBC\x92\xE7\xB4\x9A",  // 8 ２級
    "\xEF\xBC\x91\xE7\xB4\x9A",  // 9 １級
    "\xE5\x88\x9D\xE6\xAE\xB5",  // 10 初段
    "\xE4\xBA\x8C\xE6\xAE\xB5",  // 11 二段
    "\xE4\xB8\x89\xE6\xAE\xB5",  // 12 三段
    "\xE5\x9B\x9B\xE6\xAE\xB5",  // 13 四段
    "\xE4\xBA\x94\xE6\xAE\xB5",  // 14 五段
    "\xE5\x85\xAD\xE6\xAE\xB5",  // 15 六段
    "\xE4\xB8\x83\xE6\xAE\xB5",  // 16 七段
    "\xE5\x85\xAB\xE6\xAE\xB5",  // 17 八段
    "\xE4\xB9\x9D\xE6\xAE\xB5",  // 18 九段
    "\xE5\x8D\x81\xE6\xAE\xB5",  // 19 十段
    "\xE5\xA4\xA9\xE9\xB3\xB3",  // 20 天鳳
};

// Exactly N comma-separated items.
template <std::size_t N>
std::optional<std::array<std::string_view, N>> items(std::string_view text) noexcept {
    std::array<std::string_view, N> out;
    for (std::size_t i = 0; i < N; ++i) {
        const std::size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == N - 1)) return std::nullopt;
        out[i] = text.substr(0, comma);
        if (comma != std::string_view::npos) text.remove_prefix(comma + 1);
    }
    return out;
}

std::optional<double> decimal(std::string_view text) noexcept {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

}  // namespace

std::optional<std::vector<std::string>> dan_texts(std::string_view attr) {
    const auto numbers = items<4>(attr);
    if (!numbers) return std::nullopt;
    std::vector<std::string> out;
    for (std::string_view n : *numbers) {
        const auto rank = parse_int(n);
        if (!rank || *rank < 0 || *rank >= std::int64_t(kDanTexts.size())) return std::nullopt;
        out.emplace_back(kDanTexts[std::size_t(*rank)]);
    }
    return out;
}

std::optional<std::vector<double>> rates(std::string_view attr) {
    const auto numbers = items<4>(attr);
    if (!numbers) return std::nullopt;
    std::vector<double> out;
    for (std::string_view n : *numbers) {
        const auto v = decimal(n);
        if (!v) return std::nullopt;
        out.push_back(*v);
    }
    return out;
}

std::optional<std::vector<std::string>> sexes(std::string_view attr) {
    const auto texts = items<4>(attr);
    if (!texts) return std::nullopt;
    return std::vector<std::string>(texts->begin(), texts->end());
}

std::optional<std::array<std::int32_t, 4>> final_points(std::string_view attr) {
    const auto numbers = items<8>(attr);
    if (!numbers) return std::nullopt;
    std::array<std::int32_t, 4> out{};
    for (std::size_t s = 0; s < 4; ++s) {
        const auto hundreds = parse_int((*numbers)[2 * s]);
        if (!hundreds || *hundreds > std::numeric_limits<std::int32_t>::max() / 100 ||
            *hundreds < std::numeric_limits<std::int32_t>::min() / 100 || !decimal((*numbers)[2 * s + 1]))
            return std::nullopt;
        out[s] = static_cast<std::int32_t>(*hundreds * 100);
    }
    return out;
}

}  // namespace ripaion::mjlog
