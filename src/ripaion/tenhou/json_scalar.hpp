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
    static Scalar of_bool(bool b) noexcept { return with<&Scalar::boolean>(Kind::Bool, b); }
    static Scalar of_uint(std::uint64_t v) noexcept { return with<&Scalar::uint>(Kind::UInt, v); }
    static Scalar of_int(std::int64_t v) noexcept { return with<&Scalar::sint>(Kind::Int, v); }
    static Scalar of_double(double v) noexcept { return with<&Scalar::real>(Kind::Double, v); }
    static Scalar of_string(std::string_view v) noexcept { return with<&Scalar::text>(Kind::String, v); }

private:
    // A scalar of kind `k` whose one meaningful member is set to `v`.
    template <auto Member, class V>
    static Scalar with(Kind k, V v) noexcept {
        Scalar s;
        s.kind = k;
        s.*Member = v;
        return s;
    }
};

}  // namespace ripaion::tenhou::detail
