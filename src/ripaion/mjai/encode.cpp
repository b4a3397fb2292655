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

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    void raw(std::string_view s) { out_.append(s); }
    void ch(char c) { out_.push_back(c); }

    void uint(std::uint32_t v) {
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, r.ptr);
    }
    void sint(std::int32_t v) {
        char buf[16];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, r.ptr);
    }
    void text(std::string_view s) { write_json_string(s, out_); }
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
    std::string& out_;
};

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
    out.push_back('"');
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* run = p;
        while (p < end && kEscape[static_cast<unsigned char>(*p)] == 0) ++p;
        out.append(run, p);
        if (p == end) break;
        const unsigned char c = static_cast<unsigned char>(*p++);
        const char e = kEscape[c];
        if (e == 'u') {
            static constexpr char kHex[] = "0123456789abcdef";
            const char esc[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(esc, 6);
        } else {
            const char esc[2] = {'\\', e};
            out.append(esc, 2);
        }
    }
    out.push_back('"');
}

Result<std::monostate, EncodeError> encode_event(const Event& e, std::string& out) {
    Writer w(out);
    w.raw("{\"type\":\"");
    w.raw(event_type_name(e));
    w.ch('"');
    std::visit([&](const auto& body) { encode_body(w, body); }, e);
    w.ch('}');
    return std::monostate{};
}

std::string event_line(const Event& e) {
    std::string out;
    encode_event(e, out);
    return out;
}

}  // namespace ripaion::mjai
