#include "ripaion/mjai/encode.hpp"

#include <array>
#include <charconv>
#include <cstring>

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

// Tile names never need escaping, so each is kept with its quotes.
constexpr std::array<std::string_view, kTileCount> kQuotedTiles = {
    "\"1m\"", "\"2m\"", "\"3m\"", "\"4m\"", "\"5m\"", "\"6m\"", "\"7m\"", "\"8m\"", "\"9m\"",
    "\"1p\"", "\"2p\"", "\"3p\"", "\"4p\"", "\"5p\"", "\"6p\"", "\"7p\"", "\"8p\"", "\"9p\"",
    "\"1s\"", "\"2s\"", "\"3s\"", "\"4s\"", "\"5s\"", "\"6s\"", "\"7s\"", "\"8s\"", "\"9s\"",
    "\"E\"",  "\"S\"",  "\"W\"",  "\"N\"",  "\"P\"",  "\"F\"",  "\"C\"",
    "\"5mr\"", "\"5pr\"", "\"5sr\"", "\"?\"",
};

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

    void uint(std::uint32_t v) { p_ = std::to_chars(p_, p_ + 10, v).ptr; }
    void sint(std::int32_t v) { p_ = std::to_chars(p_, p_ + 11, v).ptr; }
    void text(std::string_view s) { p_ = write_json_string_to(s, p_); }
    void flag(bool b) { raw(b ? "true" : "false"); }
    void tile(Tile t) {
        const auto i = tile_index(t);
        raw(i < kTileCount ? kQuotedTiles[i] : kQuotedTiles[37]);
    }
    template <std::size_t N>
    void tiles(const std::array<Tile, N>& ts) {
        ch('[');
        for (std::size_t i = 0; i < N; ++i) {
            if (i) ch(',');
            tile(ts[i]);
        }
        ch(']');
    }
    void tile_list(const std::vector<Tile>& ts) {
        ch('[');
        for (std::size_t i = 0; i < ts.size(); ++i) {
            if (i) ch(',');
            tile(ts[i]);
        }
        ch(']');
    }
    void points(const std::array<Point, 4>& ps) {
        ch('[');
        for (std::size_t i = 0; i < 4; ++i) {
            if (i) ch(',');
            sint(ps[i]);
        }
        ch(']');
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
void encode_body(Writer& w, const None&) { (void)w; }
void encode_body(Writer& w, const StartGame& e) {
    w.raw(",\"names\":[");
    for (std::size_t i = 0; i < 4; ++i) {
        if (i) w.ch(',');
        w.text(e.names[i]);  // the only free text of any event line
    }
    w.raw("],\"kyoku_first\":");
    w.uint(e.kyoku_first);
    w.raw(",\"aka_flag\":");
    w.flag(e.aka_flag);
}
void encode_body(Writer& w, const StartKyoku& e) {
    w.raw(",\"bakaze\":");
    w.tile(e.bakaze);
    w.raw(",\"dora_marker\":");
    w.tile(e.dora_marker);
    w.raw(",\"kyoku\":");
    w.uint(e.kyoku);
    w.raw(",\"honba\":");
    w.uint(e.honba);
    w.raw(",\"kyotaku\":");
    w.uint(e.kyotaku);
    w.raw(",\"oya\":");
    w.uint(e.oya);
    w.raw(",\"scores\":");
    w.points(e.scores);
    w.raw(",\"tehais\":[");
    for (std::size_t i = 0; i < 4; ++i) {
        if (i) w.ch(',');
        w.tiles(e.tehais[i]);
    }
    w.ch(']');
}
void encode_body(Writer& w, const Tsumo& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"pai\":");
    w.tile(e.pai);
}
void encode_body(Writer& w, const Dahai& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"pai\":");
    w.tile(e.pai);
    w.raw(",\"tsumogiri\":");
    w.flag(e.tsumogiri);
}
template <class Call>
void encode_call(Writer& w, const Call& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"target\":");
    w.uint(e.target);
    w.raw(",\"pai\":");
    w.tile(e.pai);
    w.raw(",\"consumed\":");
    w.tiles(e.consumed);
}
void encode_body(Writer& w, const Chi& e) { encode_call(w, e); }
void encode_body(Writer& w, const Pon& e) { encode_call(w, e); }
void encode_body(Writer& w, const Daiminkan& e) { encode_call(w, e); }
void encode_body(Writer& w, const Kakan& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"pai\":");
    w.tile(e.pai);
    w.raw(",\"consumed\":");
    w.tiles(e.consumed);
}
void encode_body(Writer& w, const Ankan& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"consumed\":");
    w.tiles(e.consumed);
}
void encode_body(Writer& w, const Dora& e) {
    w.raw(",\"dora_marker\":");
    w.tile(e.dora_marker);
}
void encode_body(Writer& w, const Reach& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
}
void encode_body(Writer& w, const ReachAccepted& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
}
void encode_body(Writer& w, const Hora& e) {
    w.raw(",\"actor\":");
    w.uint(e.actor);
    w.raw(",\"target\":");
    w.uint(e.target);
    if (e.deltas) {
        w.raw(",\"deltas\":");
        w.points(*e.deltas);
    }
    if (e.ura_markers) {
        w.raw(",\"ura_markers\":");
        w.tile_list(*e.ura_markers);
    }
}
void encode_body(Writer& w, const Ryukyoku& e) {
    if (e.deltas) {
        w.raw(",\"deltas\":");
        w.points(*e.deltas);
    }
}
void encode_body(Writer& w, const EndKyoku&) { (void)w; }
void encode_body(Writer& w, const EndGame&) { (void)w; }

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

std::string event_line(const Event& e) {
    std::string out;
    encode_event(e, out);
    return out;
}

}  // namespace ripaion::mjai
