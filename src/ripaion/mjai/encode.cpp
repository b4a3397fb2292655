#include "ripaion/mjai/encode.hpp"

#include <array>
#include <charconv>
#include <cstring>
#include <optional>

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

// Room every line has: its longest fixed part is start_kyoku's, 495 bytes
// at most (52 tiles of at most 6 bytes with their commas, counts of 3
// digits, scores of 11 characters), with a margin.
constexpr std::size_t kLineRoom = 640;
// The most one text byte or one listed tile can take when written.
constexpr std::size_t kEscapedByteRoom = 6;
constexpr std::size_t kListedTileRoom = 6;

// An upper bound of the line's length.
std::size_t line_bound(const Event& e) noexcept {
    std::size_t n = kLineRoom;
    if (const auto* g = std::get_if<StartGame>(&e)) {
        for (const std::string& name : g->names) n += kEscapedByteRoom * name.size();
    } else if (const auto* h = std::get_if<Hora>(&e); h && h->ura_markers) {
        n += kListedTileRoom * h->ura_markers->size();
    }
    return n;
}

// Member names are constants without escapable bytes; each key literal below
// already carries its separator, quotes and colon.
void encode_body(Writer&, const None&) {}
void encode_body(Writer& w, const StartGame& e) {
    w.member(",\"names\":", e.names);
    w.member(",\"kyoku_first\":", e.kyoku_first);
    w.member(",\"aka_flag\":", e.aka_flag);
}
void encode_body(Writer& w, const StartKyoku& e) {
    w.member(",\"bakaze\":", e.bakaze);
    w.member(",\"dora_marker\":", e.dora_marker);
    w.member(",\"kyoku\":", e.kyoku);
    w.member(",\"honba\":", e.honba);
    w.member(",\"kyotaku\":", e.kyotaku);
    w.member(",\"oya\":", e.oya);
    w.member(",\"scores\":", e.scores);
    w.member(",\"tehais\":", e.tehais);
}
void encode_body(Writer& w, const Tsumo& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"pai\":", e.pai);
}
void encode_body(Writer& w, const Dahai& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"pai\":", e.pai);
    w.member(",\"tsumogiri\":", e.tsumogiri);
}
template <class Call>
void encode_call(Writer& w, const Call& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"target\":", e.target);
    w.member(",\"pai\":", e.pai);
    w.member(",\"consumed\":", e.consumed);
}
void encode_body(Writer& w, const Chi& e) { encode_call(w, e); }
void encode_body(Writer& w, const Pon& e) { encode_call(w, e); }
void encode_body(Writer& w, const Daiminkan& e) { encode_call(w, e); }
void encode_body(Writer& w, const Kakan& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"pai\":", e.pai);
    w.member(",\"consumed\":", e.consumed);
}
void encode_body(Writer& w, const Ankan& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"consumed\":", e.consumed);
}
void encode_body(Writer& w, const Dora& e) { w.member(",\"dora_marker\":", e.dora_marker); }
void encode_body(Writer& w, const Reach& e) { w.member(",\"actor\":", e.actor); }
void encode_body(Writer& w, const ReachAccepted& e) { w.member(",\"actor\":", e.actor); }
void encode_body(Writer& w, const Hora& e) {
    w.member(",\"actor\":", e.actor);
    w.member(",\"target\":", e.target);
    w.member(",\"deltas\":", e.deltas);
    w.member(",\"ura_markers\":", e.ura_markers);
}
void encode_body(Writer& w, const Ryukyoku& e) { w.member(",\"deltas\":", e.deltas); }
void encode_body(Writer&, const EndKyoku&) {}
void encode_body(Writer&, const EndGame&) {}

}  // namespace

void write_json_string(std::string_view text, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + 2 + kEscapedByteRoom * text.size());
    char* const end = write_json_string_to(text, out.data() + old);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

Result<std::monostate, EncodeError> encode_event(const Event& e, std::string& out) {
    const std::size_t old = out.size();
    out.resize(old + line_bound(e));
    Writer w(out.data() + old);
    w.raw("{\"type\":\"");
    w.raw(event_type_name(e));
    w.ch('"');
    std::visit([&](const auto& body) { encode_body(w, body); }, e);
    w.ch('}');
    out.resize(static_cast<std::size_t>(w.end() - out.data()));
    return std::monostate{};
}

}  // namespace ripaion::mjai
