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
std::size_t utf8_sequence_length(std::string_view s, std::size_t i, std::size_t* invalid_len) noexcept;

bool utf8_valid(std::string_view s) noexcept;

// Every maximal invalid subsequence becomes one U+FFFD.
std::string utf8_lossy(std::string_view s);

}  // namespace ripaion
