#include "ripaion/sys/path_text.hpp"

#include <algorithm>
#include <cstdint>

#include "ripaion/sys/escape_ranges.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::sys {
namespace {

bool needs_unicode_escape(std::uint32_t cp) noexcept {
    const CodePointRange* begin = kEscapedRanges;
    const CodePointRange* end = kEscapedRanges + kEscapedRangeCount;
    const CodePointRange* it =
        std::upper_bound(begin, end, cp, [](std::uint32_t v, const CodePointRange& r) { return v < r.lo; });
    return it != begin && cp <= (it - 1)->hi;
}

std::uint32_t decode(std::string_view s, std::size_t i, std::size_t n) noexcept {
    const auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[i + k])); };
    switch (n) {
        case 1: return b(0);
        case 2: return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
        case 3: return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
        default: return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    }
}

void append_hex(std::string& out, std::uint32_t v, bool upper) {
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = digits[v & 0xF];
        v >>= 4;
    } while (v);
    while (n) out.push_back(buf[--n]);
}

}  // namespace

std::string quoted_path(std::string_view path) {
    std::string out;
    out.reserve(path.size() + 2);
    out.push_back('"');
    std::size_t i = 0;
    while (i < path.size()) {
        std::size_t bad = 0;
        const std::size_t n = utf8_sequence_length(path, i, &bad);
        if (n == 0) {
            for (std::size_t k = 0; k < bad; ++k) {
                out += "\\x";
                const auto byte = static_cast<unsigned char>(path[i + k]);
                if (byte < 0x10) out.push_back('0');
                append_hex(out, byte, true);
            }
            i += bad;
            continue;
        }
        const std::uint32_t cp = decode(path, i, n);
        switch (cp) {
            case '\0': out += "\\0"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\'': out += "\\'"; break;
            default:
                if (needs_unicode_escape(cp)) {
                    out += "\\u{";
                    append_hex(out, cp, false);
                    out.push_back('}');
                } else {
                    out.append(path.substr(i, n));
                }
        }
        i += n;
    }
    out.push_back('"');
    return out;
}

std::string plain_path(std::string_view path) { return utf8_lossy(path); }

bool names_standard_output(std::string_view path) noexcept {
    // Component view of a path: a leading "/" is a root component, a leading
    // "." is kept as "current directory", and otherwise empty and "."
    // components vanish. Equal to "-" means exactly one component, "-".
    if (path.empty() || path.front() == '/') return false;
    bool seen_dash = false;
    bool first = true;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "." && first) return false;
        if (!part.empty() && part != ".") {
            if (part != "-" || seen_dash) return false;
            seen_dash = true;
        }
        first = false;
        start = end + 1;
    }
    return seen_dash;
}

}  // namespace ripaion::sys
