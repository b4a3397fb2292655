// A generic JSON value, kept as written; used for win details in results.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ripaion::tenhou {

struct JsonValue {
    enum class Kind : std::uint8_t { Null, Bool, UInt, Int, Double, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::uint64_t uint = 0;   // Kind::UInt: non-negative integer
    std::int64_t sint = 0;    // Kind::Int: negative integer
    double real = 0.0;        // Kind::Double: fraction, exponent, beyond 64 bits, or -0
    std::string string;
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> object;

    bool is_number() const noexcept { return kind == Kind::UInt || kind == Kind::Int || kind == Kind::Double; }
};

}  // namespace ripaion::tenhou
