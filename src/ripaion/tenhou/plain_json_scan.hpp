// A quick pass over the JSON text of a log that drives the reader's event
// handler directly, without the general parser.
//
// It knows only the plain JSON that logs are written in: arrays and objects
// up to a small depth, strings whose escapes are the simple ones or \u of a
// character outside the surrogate range, integers of up to 18 digits,
// decimal fractions without exponent, and the three literals. For that text
// it calls the handler exactly as the general parser would, with the same
// values and counts, so the model it builds is the same; only runs of one-
// and two-digit numbers in an array go to the handler's on_small_uints,
// which must do what on_int64 does for each of them in turn (it is told
// whether the array ends with them, which it may use to size its lists). Anything else
// (other number forms, surrogate escapes, deep nesting, invalid text or
// syntax, and any failure reported by the handler) ends the pass with
// NotPlain, and the caller reads the text again with the general parser,
// which then gives the verdict and the diagnostic. So the pass never
// decides a failure, and never accepts a text the parser would refuse.
//
// Included by the one translation unit that reads logs, so that the handler
// calls are inlined.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <boost/json/error.hpp>

#include "ripaion/utf8.hpp"

namespace ripaion::tenhou::detail {

enum class PlainScan { Done, NotPlain };

// Nesting of logs is 5 levels; documents deeper than this go to the parser.
inline constexpr std::size_t kPlainMaxDepth = 32;

namespace plain {

// Bytes that end a run of plain string bytes: '"', '\\', controls, DEL and
// every non-ASCII byte (checked as UTF-8 on its own).
constexpr std::array<bool, 256> make_string_stops() {
    std::array<bool, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[c] = true;
    for (int c = 0x7F; c < 0x100; ++c) t[c] = true;
    t['"'] = true;
    t['\\'] = true;
    return t;
}
inline constexpr std::array<bool, 256> kStringStops = make_string_stops();

// Bytes that may continue a number after its integer digits: more digits
// (after a leading zero), a fraction or an exponent.
constexpr std::array<bool, 256> make_number_tail() {
    std::array<bool, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = true;
    t['.'] = true;
    t['e'] = true;
    t['E'] = true;
    return t;
}
inline constexpr std::array<bool, 256> kNumberTail = make_number_tail();

constexpr std::array<bool, 256> make_ws() {
    std::array<bool, 256> t{};
    t[' '] = t['\n'] = t['\r'] = t['\t'] = true;
    return t;
}
inline constexpr std::array<bool, 256> kWs = make_ws();

inline bool is_ws(char c) noexcept { return kWs[static_cast<unsigned char>(c)]; }
inline bool is_digit(char c) noexcept { return c >= '0' && c <= '9'; }

inline int hex_value(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline void append_utf8(std::uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

inline bool literal(const char*& p, const char* end, std::string_view word) noexcept {
    if (static_cast<std::size_t>(end - p) < word.size() || std::string_view(p, word.size()) != word) return false;
    p += word.size();
    return true;
}

// One escape at p (its backslash), decoded into `out`; p ends past it.
inline bool decode_escape(const char*& p, const char* end, std::string& out) {
    if (end - p < 2) return false;
    const char e = p[1];
    p += 2;
    switch (e) {
        case '"': out.push_back('"'); return true;
        case '\\': out.push_back('\\'); return true;
        case '/': out.push_back('/'); return true;
        case 'b': out.push_back('\b'); return true;
        case 'f': out.push_back('\f'); return true;
        case 'n': out.push_back('\n'); return true;
        case 'r': out.push_back('\r'); return true;
        case 't': out.push_back('\t'); return true;
        case 'u': break;
        default: return false;
    }
    if (end - p < 4) return false;
    std::uint32_t cp = 0;
    for (int k = 0; k < 4; ++k) {
        const int v = hex_value(p[k]);
        if (v < 0) return false;
        cp = cp * 16 + static_cast<std::uint32_t>(v);
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;  // pairs and strays are the parser's
    p += 4;
    append_utf8(cp, out);
    return true;
}

// A string at p (its opening quote); p ends past the closing quote. The
// result views the text when the string has no escape, else `scratch`.
inline bool scan_string(const char*& p, const char* end, std::string& scratch, std::string_view& out) {
    const char* q = p + 1;
    const char* run = q;
    bool escaped = false;
    for (;;) {
        while (q != end && !kStringStops[static_cast<unsigned char>(*q)]) ++q;
        if (q == end) return false;
        const auto c = static_cast<unsigned char>(*q);
        if (c == '"') break;
        if (c >= 0x80) {
            const std::size_t n = utf8_sequence_length(std::string_view(q, static_cast<std::size_t>(end - q)), 0, nullptr);
            if (n == 0) return false;
            q += n;
            continue;
        }
        if (c != '\\') return false;  // a control character or DEL
        if (!escaped) {
            scratch.clear();
            escaped = true;
        }
        scratch.append(run, q);
        if (!decode_escape(q, end, scratch)) return false;
        run = q;
    }
    if (escaped) {
        scratch.append(run, q);
        out = scratch;
    } else {
        out = std::string_view(run, static_cast<std::size_t>(q - run));
    }
    p = q + 1;
    return true;
}

// The containers open around the current value.
struct Open {
    bool is_object;
    std::size_t count;  // elements or members begun
};

// What a run of small numbers ended with.
enum class Run { BeforeValue, AfterValue, Failed };

// Longest run handed to the handler at once.
inline constexpr std::size_t kRunLength = 64;

template <class Handler>
PlainScan scan(std::string_view text, std::size_t max_depth, Handler& h) {
    if (text.empty()) return PlainScan::NotPlain;
    const char* p = text.data();
    const char* const end = p + text.size();
    std::array<Open, kPlainMaxDepth> open;
    std::size_t depth = 0;
    std::string scratch;
    std::string_view s;
    boost::json::error_code ec;
    if (max_depth > kPlainMaxDepth) max_depth = kPlainMaxDepth;

    auto skip_ws = [&] {
        while (p != end && is_ws(*p)) ++p;
    };
    // A member's key and colon, and the whitespace up to its value.
    auto member_key = [&] {
        if (p == end || *p != '"' || !scan_string(p, end, scratch, s) || !h.on_key(s, s.size(), ec)) return false;
        skip_ws();
        if (p == end || *p != ':') return false;
        ++p;
        skip_ws();
        return true;
    };
    // Most of a log is arrays of one- and two-digit numbers without spaces.
    // From p, at an element of the innermost array, reads such numbers with
    // their commas while they last and hands them to the handler in runs.
    // Stops before any other value, or after a number followed by the
    // array's closing bracket.
    auto read_run = [&](Open& top) {
        std::array<std::uint8_t, kRunLength> values;
        std::size_t n = 0;
        Run ended = Run::BeforeValue;
        while (end - p >= 3) {
            const unsigned d0 = static_cast<unsigned char>(p[0]) - '0';
            const unsigned d1 = static_cast<unsigned char>(p[1]) - '0';
            std::size_t width;
            if (d0 - 1 <= 8 && d1 <= 9) {
                width = 2;
                values[n] = static_cast<std::uint8_t>(d0 * 10 + d1);
            } else if (d0 <= 9 && d1 > 9) {
                width = 1;
                values[n] = static_cast<std::uint8_t>(d0);
            } else {
                break;
            }
            const char next = p[width];
            if (next != ',' && next != ']') break;
            ++n;
            p += width;
            if (next == ']') {
                ended = Run::AfterValue;
                break;
            }
            ++p;
            ++top.count;
            if (p != end && is_ws(*p)) skip_ws();  // before the next element, as elsewhere
            if (n == kRunLength) {
                if (!h.on_small_uints(values.data(), n, false, ec)) return Run::Failed;
                n = 0;
            }
        }
        if (n != 0 && !h.on_small_uints(values.data(), n, ended == Run::AfterValue, ec)) return Run::Failed;
        return ended;
    };

    skip_ws();
    bool at_value = true;  // p is at a value (else just after one)
    for (;;) {
        if (at_value) {
            if (p == end) return PlainScan::NotPlain;
            const char c = *p;
            if (const unsigned first = static_cast<unsigned char>(c) - '0'; first <= 9 || c == '-') {
                // -?(0|[1-9][0-9]{0,17}) is an integer; with .[0-9]+ after it,
                // a fraction, whose value the handler reads from the text.
                const char* const begin = p;
                std::uint64_t mant = first;
                if (c == '-') {
                    if (++p == end || (mant = static_cast<unsigned char>(*p) - '0') > 9) return PlainScan::NotPlain;
                }
                ++p;
                if (mant != 0) {
                    const char* const digits = p - 1;
                    for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') <= 9; ++p) {
                        mant = mant * 10 + d;
                    }
                    if (p - digits > 18) return PlainScan::NotPlain;
                }
                if (p != end && kNumberTail[static_cast<unsigned char>(*p)]) {
                    // A leading zero, an exponent, or a fraction.
                    if (*p != '.') return PlainScan::NotPlain;
                    const char* const fraction = ++p;
                    while (p != end && is_digit(*p)) ++p;
                    if (p == fraction || p - begin > 40) return PlainScan::NotPlain;
                    if (p != end && kNumberTail[static_cast<unsigned char>(*p)]) return PlainScan::NotPlain;
                    if (!h.on_double(0.0, {begin, static_cast<std::size_t>(p - begin)}, ec)) return PlainScan::NotPlain;
                } else {
                    const auto value = static_cast<std::int64_t>(mant);
                    if (!h.on_int64(c == '-' ? -value : value, {begin, static_cast<std::size_t>(p - begin)}, ec)) {
                        return PlainScan::NotPlain;
                    }
                }
            } else if (c == '"') {
                if (!scan_string(p, end, scratch, s) || !h.on_string(s, s.size(), ec)) return PlainScan::NotPlain;
            } else if (c == '[' || c == '{') {
                const bool is_object = c == '{';
                if (depth >= max_depth) return PlainScan::NotPlain;
                if (!(is_object ? h.on_object_begin(ec) : h.on_array_begin(ec))) return PlainScan::NotPlain;
                ++p;
                skip_ws();
                if (p == end) return PlainScan::NotPlain;
                if (*p != (is_object ? '}' : ']')) {
                    Open& top = open[depth++] = Open{is_object, 1};
                    if (is_object) {
                        if (!member_key()) return PlainScan::NotPlain;
                        continue;  // its first value
                    }
                    const Run run = read_run(top);
                    if (run == Run::Failed) return PlainScan::NotPlain;
                    at_value = run == Run::BeforeValue;
                    continue;
                }
                ++p;
                if (!(is_object ? h.on_object_end(0, ec) : h.on_array_end(0, ec))) return PlainScan::NotPlain;
            } else if (c == 't') {
                if (!literal(p, end, "true") || !h.on_bool(true, ec)) return PlainScan::NotPlain;
            } else if (c == 'f') {
                if (!literal(p, end, "false") || !h.on_bool(false, ec)) return PlainScan::NotPlain;
            } else if (c == 'n') {
                if (!literal(p, end, "null") || !h.on_null(ec)) return PlainScan::NotPlain;
            } else {
                return PlainScan::NotPlain;
            }
        }

        // After a value: close containers, or go on to the next value.
        at_value = false;
        while (!at_value) {
            if (depth == 0) {
                skip_ws();
                return p == end ? PlainScan::Done : PlainScan::NotPlain;
            }
            if (p == end) return PlainScan::NotPlain;
            if (is_ws(*p)) {
                skip_ws();
                if (p == end) return PlainScan::NotPlain;
            }
            Open& top = open[depth - 1];
            if (*p == ',') {
                ++p;
                ++top.count;
                if (p != end && is_ws(*p)) skip_ws();
                if (top.is_object) {
                    if (!member_key()) return PlainScan::NotPlain;
                    at_value = true;
                    break;
                }
                const Run run = read_run(top);
                if (run == Run::Failed) return PlainScan::NotPlain;
                at_value = run == Run::BeforeValue;
                continue;
            }
            if (*p != (top.is_object ? '}' : ']')) return PlainScan::NotPlain;
            ++p;
            if (!(top.is_object ? h.on_object_end(top.count, ec) : h.on_array_end(top.count, ec))) {
                return PlainScan::NotPlain;
            }
            --depth;
        }
    }
}

}  // namespace plain

// Runs the handler over the text if the text is plain JSON as described
// above and the handler accepts every part of it. On NotPlain the handler is
// left in an unspecified state.
template <class Handler>
PlainScan scan_plain_json(std::string_view text, std::size_t max_depth, Handler& h) {
    return plain::scan(text, max_depth, h);
}

}  // namespace ripaion::tenhou::detail
