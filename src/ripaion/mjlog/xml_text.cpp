#include "ripaion/mjlog/xml_text.hpp"

#include <cstdint>

namespace ripaion::mjlog {
namespace {

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

Result<std::string, BadUtf16> from_utf16(const std::string& bytes, bool little_endian) {
    if (bytes.size() % 2 != 0) return fail(BadUtf16{});
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return little_endian ? (a | (b << 8)) : ((a << 8) | b);
    };
    std::string out;
    out.reserve(bytes.size() / 2 * 3 / 2);
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xDC00 && cp <= 0xDFFF) return fail(BadUtf16{});
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return fail(BadUtf16{});
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return fail(BadUtf16{});
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        append_utf8(out, cp);
    }
    return out;
}

bool starts_with(const std::string& s, const char* prefix, std::size_t n) { return s.size() >= n && s.compare(0, n, prefix, n) == 0; }

}  // namespace

Result<std::string, BadUtf16> xml_as_utf8(std::string bytes) {
    if (starts_with(bytes, "\xFF\xFE", 2)) return from_utf16(bytes, true);
    if (starts_with(bytes, "\xFE\xFF", 2)) return from_utf16(bytes, false);
    if (starts_with(bytes, "\xEF\xBB\xBF", 3)) bytes.erase(0, 3);
    return bytes;
}

}  // namespace ripaion::mjlog
