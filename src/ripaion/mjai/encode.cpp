#include "ripaion/mjai/encode.hpp"

#include <array>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace ripaion::mjai {
namespace {

// 0 = copy unchanged; otherwise the character after the backslash ('u' means \u00XX).
constexpr std::array<char, 256> make_escape_table() {
    std::array<char, 256> t{};
    for (int c = 0; c < 0x20; ++c) t[c] = 'u';
    t['\b'] = 'b';
    t['\t'] = 't';
    t['\n'] = 'n';
    t['\f'] = 'f';
    t['\r'] = 'r';
    t['"'] = '"';
    t['\\'] = '\\';
    return t;
}
constexpr std::array<char, 256> kEscape = make_escape_table();

// Writes `text` as a JSON string at p (room for 2 + 6 bytes per text byte)
// and returns the end.
char* write_json_string_to(std::string_view text, char* p) {
    *p++ = '"';
    const char* q = text.data();
    const char* const end = q + text.size();
    while (q < end) {
        const char* run = q;
        while (q < end && kEscape[static_cast<unsigned char>(*q)] == 0) ++q;
        std::memcpy(p, run, static_cast<std::size_t>(q - run));
        p += q - run;
        if (q == end) break;
        const unsigned char c = static_cast<unsigned char>(*q++);
        const char e = kEscape[c];
        *p++ = '\\';
        if (e == 'u') {
            static constexpr char kHex[] = "0123456789abcdef";
            *p++ = 'u';
            *p++ = '0';
            *p++ = '0';
            *p++ = kHex[c >> 4];
            *p++ = kHex[c & 15];
        } else {
            *p++ = e;
        }
    }
    *p++ = '"';
    return p;
}

// Writes into a buffer already sized for the whole line (line_bound), so
// that every piece is a plain copy.
class Writer {
public:
    explicit Writer(char* p) : p_(p) {}

    char* end() const noexcept { return p_; }

    void raw(std::string_view s) {
        std::memcpy(p_, s.data(), s.size());
        p_ += s.size();
    }
    void ch(char c) { *p_++ = c; }

    // One value per field type.
    void value(std::uint8_t v) { p_ = std::to_chars(p_, p_ + 3, v).ptr; }
    void value(Point v) { p_ = std::to_chars(p_, p_ + 11, v).ptr; }
    void value(bool b) { raw(b ? "true" : "false"); }
    void value(const std::string& s) { p_ = write_json_string_to(s, p_); }
    void value(Tile t) {  // tile names never need escaping
        ch('"');
        raw(tile_name(t));
        ch('"');
    }
    template <class Range>
    void value(const Range& items) {
        ch('[');
        bool first = true;
        for (const auto& item : items) {
            if (!first) ch(',');
            first = false;
            value(item);
        }
        ch(']');
    }

    // `key` is the separator, the quoted member name and the colon.
    template <class T>
    void member(std::string_view key, const T& v) {
        raw(key);
        value(v);
    }
    template <class T>
    void member(std::string_view key, const std::optional<T>& v) {
        if (v) member(key, *v);  // absent members are left out entirely
    }

private:
    char* p_;
};

// The most bytes a member's value takes, apart from what grows with its
// texts and lists of any length (extra_room below).
constexpr std::size_t value_room(FieldKind kind, std::size_t length) noexcept {
    constexpr std::size_t kNumber = 11;  // -2147483648
    constexpr std::size_t kQuotedTile = 2 + kLongestTileName;
    const auto list = [&](std::size_t element) { return 2 + length * element + (length ? length - 1 : 0); };
    switch (kind) {
        case FieldKind::Seat:
        case FieldKind::Count: return 3;
        case FieldKind::Flag: return 5;
        case FieldKind::Kind:
        case FieldKind::Tile:
        case FieldKind::Wind: return kQuotedTile;
        case FieldKind::Texts: return list(2);
        case FieldKind::Points: return list(kNumber);
        case FieldKind::Tiles: return list(kQuotedTile);
        case FieldKind::TileRows: return list(2 + kRowTiles * kQuotedTile + (kRowTiles - 1));
    }
    return 0;
}

// Room every line has: the longest line any kind can write without its
// texts and lists of any length (start_kyoku's, 495 bytes).
constexpr std::size_t kRoom = [] {
    std::size_t most = 0;
    for (const EventKindRow& row : kEventKinds) {
        std::size_t n = std::string_view(R"({"type":"")").size() + row.name.size() + 2;
        for (const MemberUse& u : row.members) {
            n += 4 + member_row(u.member).name.size() + value_room(field_kind(u.member), u.length);
        }
        most = n > most ? n : most;
    }
    return most;
}();

// What grows with the event's contents: each text byte may escape to six,
// each tile of a list of any length takes its quotes and a comma.
template <class T>
std::size_t extra_room(const T&) noexcept {
    return 0;
}
std::size_t extra_room(const std::string& s) noexcept { return kEscapedByteRoom * s.size(); }
std::size_t extra_room(const std::vector<Tile>& tiles) noexcept { return kListedTileRoom * tiles.size(); }
template <class T, std::size_t N>
std::size_t extra_room(const std::array<T, N>& items) noexcept {
    std::size_t n = 0;
    for (const T& item : items) n += extra_room(item);
    return n;
}
template <class T>
std::size_t extra_room(const std::optional<T>& v) noexcept {
    return v ? extra_room(*v) : 0;
}

// `,"name":` for every member: the separator, the quoted name and the
// colon, written as one piece. Member names need no escaping.
struct MemberKey {
    std::array<char, 32> text{};
    std::size_t size = 0;
    constexpr std::string_view view() const noexcept { return {text.data(), size}; }
};
constexpr std::array<MemberKey, kMemberCount> kMemberKeys = [] {
    std::array<MemberKey, kMemberCount> keys{};
    for (std::size_t m = 0; m < kMemberCount; ++m) {
        MemberKey& k = keys[m];
        const auto put = [&](std::string_view s) {
            for (char c : s) k.text[k.size++] = c;
        };
        put(",\"");
        put(kMembers[m].name);
        put("\":");
    }
    return keys;
}();

// The members of the kind's row in order, each name with its field's value.
template <class Body>
void encode_body(Writer& w, const Body& e) {
    constexpr EventKindRow row = event_kind_row(Body::kind);
    const auto fields = fields_of(e);
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (w.member(kMemberKeys[member_index(row.members[I].member)].view(), std::get<I>(fields)), ...);
    }(std::make_index_sequence<row.members.count>{});
}

}  // namespace

void write_json_string(std::string_view text, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + 2 + kEscapedByteRoom * text.size());
    char* const end = write_json_string_to(text, out.data() + old);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

const std::size_t kLineRoom = kRoom;

std::size_t line_bound(const Event& e) noexcept {
    return kLineRoom + std::visit([](const auto& body) {
               return std::apply([](const auto&... field) { return (std::size_t{0} + ... + extra_room(field)); },
                                 fields_of(body));
           }, e);
}

char* write_event(const Event& e, char* out) noexcept {
    Writer w(out);
    w.raw("{\"type\":\"");
    w.raw(event_type_name(e));
    w.ch('"');
    std::visit([&](const auto& body) { encode_body(w, body); }, e);
    w.ch('}');
    return w.end();
}

Result<std::monostate, EncodeError> encode_event(const Event& e, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + line_bound(e));
    char* const end = write_event(e, out.data() + old);
    out.resize(static_cast<std::size_t>(end - out.data()));
    return std::monostate{};
}

}  // namespace ripaion::mjai
