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

// Appends `text` as a JSON string (quotes included), escaping per byte.
void write_json_string(std::string_view text, std::string& out);

}  // namespace ripaion::mjai
