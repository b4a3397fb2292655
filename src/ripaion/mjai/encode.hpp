// Writes one event as its compact JSON line (no line terminator).
#pragma once

#include <string>

#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::mjai {

struct EncodeError {
    std::string message;
};

// Appends the event line to `out`. Encoding cannot fail for any value an
// Event can hold; the result exists so a caller never has to assume that.
Result<std::monostate, EncodeError> encode_event(const Event& e, std::string& out);

// Room every line has apart from what grows with its texts and lists of any
// length, and the most one text byte or one tile of such a list takes when
// written: line_bound is kLineRoom plus those.
extern const std::size_t kLineRoom;
inline constexpr std::size_t kEscapedByteRoom = 6;
inline constexpr std::size_t kListedTileRoom = 3 + kLongestTileName;

// The most bytes the event's line can take.
std::size_t line_bound(const Event& e) noexcept;
// Writes the event line at `out`, which has room for line_bound(e) bytes,
// and returns its end.
char* write_event(const Event& e, char* out) noexcept;

// Appends `text` as a JSON string (quotes included), escaping per byte.
void write_json_string(std::string_view text, std::string& out);

}  // namespace ripaion::mjai
