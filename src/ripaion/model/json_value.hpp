// A generic JSON value, kept as written; used for win details in results.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ripaion::model {

struct JsonMember;

struct JsonValue {
    enum class Kind : std::uint8_t { Null, Bool, UInt, Int, Double, String, Array, Object };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::uint64_t uint = 0;   // Kind::UInt: non-negative integer
    std::int64_t sint = 0;    // Kind::Int: negative integer
    double real = 0.0;        // Kind::Double: fraction, exponent, beyond 64 bits, or -0
    std::string string;
    std::vector<JsonValue> array;
    std::vector<JsonMember> object;  // members in document order

    bool is_number() const noexcept { return kind == Kind::UInt || kind == Kind::Int || kind == Kind::Double; }
};

// One member of a JSON object: its key and its value.
struct JsonMember {
    std::string first;   // key
    JsonValue second;    // value
};

}  // namespace ripaion::model
