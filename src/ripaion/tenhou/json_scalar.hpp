// One scalar JSON value as the reader sees it, already classified: numbers
// are split into non-negative integers, negative integers and floats, and a
// string's text is a view that is valid only during the callback.
#pragma once

#include <cstdint>
#include <string_view>

namespace ripaion::tenhou::detail {

struct Scalar {
    enum class Kind : std::uint8_t { Null, Bool, UInt, Int, Double, String };

    Kind kind = Kind::Null;
    bool boolean = false;
    std::uint64_t uint = 0;   // Kind::UInt
    std::int64_t sint = 0;    // Kind::Int: always negative
    double real = 0.0;        // Kind::Double
    std::string_view text;    // Kind::String

    static Scalar null() noexcept { return {}; }
    static Scalar of_bool(bool b) noexcept {
        Scalar s;
        s.kind = Kind::Bool;
        s.boolean = b;
        return s;
    }
    static Scalar of_uint(std::uint64_t v) noexcept {
        Scalar s;
        s.kind = Kind::UInt;
        s.uint = v;
        return s;
    }
    static Scalar of_int(std::int64_t v) noexcept {
        Scalar s;
        s.kind = Kind::Int;
        s.sint = v;
        return s;
    }
    static Scalar of_double(double v) noexcept {
        Scalar s;
        s.kind = Kind::Double;
        s.real = v;
        return s;
    }
    static Scalar of_string(std::string_view v) noexcept {
        Scalar s;
        s.kind = Kind::String;
        s.text = v;
        return s;
    }
};

}  // namespace ripaion::tenhou::detail
