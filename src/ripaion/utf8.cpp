#include "ripaion/utf8.hpp"

#include <cstdint>
#include <cstring>

namespace ripaion {

bool utf8_valid(std::string_view s) noexcept {
    std::size_t i = 0;
    while (i < s.size()) {
        // ASCII fast path, eight bytes at a time.
        while (i + 8 <= s.size()) {
            std::uint64_t w;
            std::memcpy(&w, s.data() + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= s.size()) break;
        const std::size_t n = utf8_sequence_length(s, i, nullptr);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool ascii_only(std::string_view s) noexcept {
    std::uint64_t high = 0;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, 8);
        high |= word;
    }
    for (; i < s.size(); ++i) high |= static_cast<unsigned char>(s[i]);
    return (high & 0x8080808080808080ULL) == 0;
}

std::string utf8_lossy(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t bad = 0;
        const std::size_t n = utf8_sequence_length(s, i, &bad);
        if (n) {
            out.append(s.substr(i, n));
            i += n;
        } else {
            out.append("\xEF\xBF\xBD");
            i += bad;
        }
    }
    return out;
}

}  // namespace ripaion
