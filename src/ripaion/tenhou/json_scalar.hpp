// The scalar JSON values as the reader sees them, one type per kind: numbers
// are already split into non-negative integers, negative integers and
// floats (a minus zero is a float), and a text is a view that is valid only
// during the parser's callback.
#pragma once

#include <cstdint>
#include <string_view>

namespace ripaion::tenhou::detail {

struct Null {};
struct Bool {
    bool value;
};
struct UInt {  // no fraction or exponent, 0 to 2^64 - 1
    std::uint64_t value;
};
struct NegInt {  // no fraction or exponent, below 0 down to -2^63
    std::int64_t value;
};
struct Float {  // everything else, read as the nearest double
    double value;
};
struct Text {
    std::string_view value;
};

}  // namespace ripaion::tenhou::detail
