// UTF-8 validation and lossy decoding, shared by the reader, the tile code
// texts and the path texts of messages.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ripaion {

// Length of the valid UTF-8 sequence starting at s[i] (1 to 4), or 0 when the
// bytes there do not start a valid sequence. `invalid_len` then receives the
// length of the maximal invalid prefix to replace (at least 1).
// Inline: validation of Japanese text calls it for every character.
inline std::size_t utf8_sequence_length(std::string_view s, std::size_t i, std::size_t* invalid_len) noexcept {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return 1;
    std::size_t need;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;  // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        if (invalid_len) *invalid_len = 1;
        return 0;
    }
    std::size_t k = 1;
    for (; k < need; ++k) {
        if (i + k >= s.size()) break;
        const unsigned char b = byte(i + k);
        const unsigned char l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
        if (b < l || b > h) break;
    }
    if (k == need) return need;
    if (invalid_len) *invalid_len = k;
    return 0;
}

bool utf8_valid(std::string_view s) noexcept;

// True when no byte has its high bit set.
bool ascii_only(std::string_view s) noexcept;

// Every maximal invalid subsequence becomes one U+FFFD.
std::string utf8_lossy(std::string_view s);

}  // namespace ripaion
