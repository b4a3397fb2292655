#include "ripaion/mjlog/tag_text.hpp"

#include <string_view>

namespace ripaion::mjlog {
namespace {

// Enough to recognise any real value (the longest are a seat's 13 tile ids
// and the eight numbers of sc); a hostile one of megabytes is cut.
constexpr std::size_t kValueShown = 48;
constexpr std::size_t kNameShown = 32;
constexpr int kAttributesShown = 8;

// The first `most` bytes of `text`, not cutting a UTF-8 sequence, and "..."
// when something was left out.
std::string_view cut(std::string_view text, std::size_t most, bool& was_cut) {
    was_cut = text.size() > most;
    if (!was_cut) return text;
    std::size_t n = most;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

void append_escaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '"': out += "&quot;"; break;
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            default: out += c;
        }
    }
}

void append_cut(std::string& out, std::string_view text, std::size_t most, bool escaped) {
    bool was_cut = false;
    const std::string_view shown = cut(text, most, was_cut);
    if (escaped) {
        append_escaped(out, shown);
    } else {
        out += shown;
    }
    if (was_cut) out += "...";
}

}  // namespace

std::string tag_text(const pugi::xml_node& tag, std::size_t place) {
    std::string out = "<";
    append_cut(out, tag.name(), kNameShown, false);
    int shown = 0;
    for (pugi::xml_attribute a = tag.first_attribute(); a; a = a.next_attribute()) {
        if (shown++ == kAttributesShown) {
            out += " ...";
            break;
        }
        out += ' ';
        append_cut(out, a.name(), kNameShown, false);
        out += "=\"";
        append_cut(out, a.value(), kValueShown, true);
        out += '"';
    }
    out += "> (tag ";
    out += std::to_string(place);
    out += ')';
    return out;
}

}  // namespace ripaion::mjlog
