#include "ripaion/tenhou/diagnostics.hpp"

#include <charconv>

namespace ripaion::tenhou::detail {
namespace {

template <class Int>
void append_integer(std::string& out, Int value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

// Shortest text that reads back as the same double; a whole value keeps a
// ".0" so that it is visibly a float.
void append_float(std::string& out, double value) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    const std::string_view text(buf, static_cast<std::size_t>(r.ptr - buf));
    out.append(text);
    if (text.find_first_of(".eEn") == std::string_view::npos) out.append(".0");
}

std::string concat(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
    std::string s;
    s.reserve(a.size() + b.size() + c.size() + d.size());
    s.append(a).append(b).append(c).append(d);
    return s;
}

}  // namespace

std::string describe(Null) { return "null"; }

std::string describe(Bool value) { return value.value ? "boolean `true`" : "boolean `false`"; }

std::string describe(UInt value) {
    std::string s = "integer `";
    append_integer(s, value.value);
    s.push_back('`');
    return s;
}

std::string describe(NegInt value) {
    std::string s = "integer `";
    append_integer(s, value.value);
    s.push_back('`');
    return s;
}

std::string describe(Float value) {
    std::string s = "floating point `";
    append_float(s, value.value);
    s.push_back('`');
    return s;
}

std::string describe(Text value) { return concat("string \"", value.value, "\"", ""); }

std::string invalid_type(std::string_view found, std::string_view expected) {
    return concat("invalid type: ", found, ", expected ", expected);
}

std::string invalid_value(std::string_view found, std::string_view expected) {
    return concat("invalid value: ", found, ", expected ", expected);
}

std::string invalid_length(std::size_t count, std::string_view expected) {
    std::string s = "invalid length ";
    append_integer(s, count);
    return concat(s, ", expected ", expected, "");
}

std::string too_many_elements(std::size_t limit, std::string_view expected) {
    std::string s = "invalid length: more than ";
    append_integer(s, limit);
    return concat(s, " elements, expected ", expected, "");
}

std::string duplicate_field(std::string_view key) { return concat("duplicate field `", key, "`", ""); }

std::string missing_field(std::string_view key) { return concat("missing field `", key, "`", ""); }

std::string bad_tile_code(std::uint64_t value) {
    std::string s = "invalid value: ";
    append_integer(s, value);
    s.append(", expected one of: 0");
    const auto add_range = [&](int first, int last) {
        for (int code = first; code <= last; ++code) {
            s.append(", ");
            append_integer(s, code);
        }
    };
    add_range(11, 19);
    add_range(21, 29);
    add_range(31, 39);
    add_range(41, 47);
    add_range(51, 53);
    return s;
}

}  // namespace ripaion::tenhou::detail
