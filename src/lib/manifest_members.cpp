#include "manifest_members.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>
#include <system_error>

#include "ripaion/utf8.hpp"

namespace ripaion::py {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void escape_unit(std::uint32_t unit, std::string& out) {
    const char escaped[] = {
        '\\', 'u', kHex[(unit >> 12) & 15], kHex[(unit >> 8) & 15], kHex[(unit >> 4) & 15], kHex[unit & 15]};
    out.append(escaped, sizeof escaped);
}

// A string as json.dumps writes it with ensure_ascii: printable ASCII as it
// is, the short escapes, every other code point as \uXXXX (a surrogate pair
// beyond the first plane). `text` is valid UTF-8 (checked by the caller).
void write_string(std::string_view text, std::string& out) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t cp;
        std::size_t length;
        if (byte < 0x80) {
            cp = byte;
            length = 1;
        } else if (byte < 0xE0) {
            cp = byte & 0x1Fu;
            length = 2;
        } else if (byte < 0xF0) {
            cp = byte & 0x0Fu;
            length = 3;
        } else {
            cp = byte & 0x07u;
            length = 4;
        }
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        i += length;
        switch (cp) {
            case '"': out += "\\\""; continue;
            case '\\': out += "\\\\"; continue;
            case '\n': out += "\\n"; continue;
            case '\r': out += "\\r"; continue;
            case '\t': out += "\\t"; continue;
            case '\b': out += "\\b"; continue;
            case '\f': out += "\\f"; continue;
            default: break;
        }
        if (cp >= 0x20 && cp <= 0x7E) {
            out += static_cast<char>(cp);
        } else if (cp < 0x10000) {
            escape_unit(cp, out);
        } else {
            cp -= 0x10000;
            escape_unit(0xD800 | (cp >> 10), out);
            escape_unit(0xDC00 | (cp & 0x3FF), out);
        }
    }
    out += '"';
}

// A float as repr writes it: the shortest digits that read back as the
// same value, in positional form when the decimal point falls within 16
// places left of the digits' end and 4 right of their start (with ".0" when
// whole), else as d.ddde+XX.
void write_float(double value, std::string& out) {
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-Infinity" : "Infinity";
        return;
    }
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (error != std::errc()) {  // cannot happen: the buffer takes any double
        out += "null";
        return;
    }
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    if (!text.empty() && text.front() == '-') {
        out += '-';
        text.remove_prefix(1);
    }
    const std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::string_view exponent_text = text.substr(e + 1);
    if (!exponent_text.empty() && exponent_text.front() == '+') exponent_text.remove_prefix(1);
    std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);
    const int point = exponent + 1;  // digits before the decimal point
    const int count = static_cast<int>(digits.size());
    if (point <= -4 || point > 16) {
        out += digits.front();
        if (count > 1) {
            out += '.';
            out.append(digits, 1);
        }
        char tail[8];
        const int magnitude = exponent < 0 ? -exponent : exponent;
        const char sign = exponent < 0 ? '-' : '+';
        const auto written = std::to_chars(tail, tail + sizeof tail, magnitude).ptr;
        out += 'e';
        out += sign;
        if (magnitude < 10) out += '0';
        out.append(tail, static_cast<std::size_t>(written - tail));
    } else if (point <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-point), '0');
        out += digits;
    } else if (point < count) {
        out.append(digits, 0, static_cast<std::size_t>(point));
        out += '.';
        out.append(digits, static_cast<std::size_t>(point));
    } else {
        out += digits;
        out.append(static_cast<std::size_t>(point - count), '0');
        out += ".0";
    }
}

void write_value(const std::string& s, std::string& out) { write_string(s, out); }
void write_value(double v, std::string& out) { write_float(v, out); }
void write_value(std::int32_t v, std::string& out) { out += std::to_string(v); }
void write_value(std::uint8_t v, std::string& out) { out += std::to_string(v); }
void write_value(model::Room room, std::string& out) {
    out += '"';
    out += model::kRoomNames[static_cast<std::size_t>(room)];
    out += '"';
}

bool writable(const std::string& s) { return utf8_valid(s); }
template <class T>
bool writable(const T&) {
    return true;
}

// A list of four; null when one of its texts is not UTF-8 (as the dict's None).
template <class T>
void write_value(const std::array<T, 4>& items, std::string& out) {
    for (const T& item : items) {
        if (!writable(item)) {
            out += "null";
            return;
        }
    }
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        write_value(items[i], out);
    }
    out += ']';
}

template <class T>
void write_value(const std::optional<T>& v, std::string& out) {
    if (v) {
        write_value(*v, out);
    } else {
        out += "null";
    }
}

void write_key(std::size_t index, std::string& out) {
    if (index) out += ", ";
    out += '"';
    out += kManifestKeys[index];
    out += "\": ";
}

}  // namespace

std::string manifest_members(const model::GameInfo& info, std::size_t events, const mjai::StartGame& start) {
    std::string out;
    out.reserve(512);
    std::size_t key = 0;
    write_key(key++, out);  // names
    write_value(start.names, out);
    write_key(key++, out);  // aka
    out += start.aka_flag ? "true" : "false";
    write_key(key++, out);  // east_only: hands start at East 4
    out += start.kyoku_first == 4 ? "true" : "false";
    write_key(key++, out);  // hands
    out += std::to_string(info.hands);
    write_key(key++, out);  // events
    out += std::to_string(events);
    write_key(key++, out);
    write_value(info.lobby, out);
    write_key(key++, out);
    write_value(info.room, out);
    write_key(key++, out);
    write_value(info.dan, out);
    write_key(key++, out);
    write_value(info.rate, out);
    write_key(key++, out);
    write_value(info.sx, out);
    write_key(key++, out);
    write_value(info.final_scores, out);
    write_key(key++, out);
    write_value(info.placements, out);
    return out;
}

}  // namespace ripaion::py
