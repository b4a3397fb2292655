#include "ripaion/mjlog/record_tags.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "ripaion/mjlog/attr_values.hpp"
#include "ripaion/mjlog/game_type.hpp"
#include "ripaion/mjlog/meld_notation.hpp"
#include "ripaion/mjlog/player_info.hpp"
#include "ripaion/mjlog/tag_text.hpp"
#include "ripaion/mjlog/tile_id.hpp"

namespace ripaion::mjlog {
namespace {

using model::ActionItem;
using model::HandRecord;
using model::ResultItem;

constexpr std::uint8_t kTsumogiri = 60;
constexpr int kNoDraw = -1;

// The result labels of the JSON log.
using model::kWinLabel;
constexpr std::string_view kDrawLabel = "\xE6\xB5\x81\xE5\xB1\x80";                    // 流局
constexpr std::string_view kAllTenpaiLabel = "\xE5\x85\xA8\xE5\x93\xA1\xE8\x81\xB4\xE7\x89\x8C";    // 全員聴牌
constexpr std::string_view kAllNotenLabel = "\xE5\x85\xA8\xE5\x93\xA1\xE4\xB8\x8D\xE8\x81\xB4";     // 全員不聴

struct AbortLabel {
    std::string_view type;
    std::string_view label;
    bool with_deltas;
};
constexpr std::array<AbortLabel, 6> kAbortLabels{{
    {"yao9", "\xE4\xB9\x9D\xE7\xA8\xAE\xE4\xB9\x9D\xE7\x89\x8C", false},  // 九種九牌
    {"reach4", "\xE5\x9B\x9B\xE5\xAE\xB6\xE7\xAB\x8B\xE7\x9B\xB4", false},  // 四家立直
    {"ron3", "\xE4\xB8\x89\xE5\xAE\xB6\xE5\x92\x8C\xE4\xBA\x86", false},    // 三家和了
    {"kan4", "\xE5\x9B\x9B\xE6\xA7\x93\xE6\x95\xA3\xE4\xBA\x86", false},    // 四槓散了
    {"kaze4", "\xE5\x9B\x9B\xE9\xA2\xA8\xE9\x80\xA3\xE6\x89\x93", false},   // 四風連打
    {"nm", "\xE6\xB5\x81\xE3\x81\x97\xE6\xBA\x80\xE8\xB2\xAB", true},       // 流し満貫
}};

// A draw tag is T, U, V or W and a discard tag D, E, F or G, each followed
// by the tile id: the letter gives the seat.
struct TileTag {
    bool discard;
    unsigned seat;
    unsigned id;  // kNotAnId when the name goes on with something else than digits
};
constexpr unsigned kNotAnId = ~0u;

// The seat of a draw or discard letter, or -1.
int draw_seat(char c) noexcept { return c >= 'T' && c <= 'W' ? c - 'T' : -1; }
int discard_seat(char c) noexcept { return c >= 'D' && c <= 'G' ? c - 'D' : -1; }

// A name made of a draw or discard letter and a digit is a tile tag,
// whatever follows: its id, or kNotAnId. Other names (DORA, GO, UN, T-1) are
// for the caller to tell apart.
std::optional<TileTag> tile_tag(const char* name) noexcept {
    const int draw = draw_seat(name[0]), discard = discard_seat(name[0]);
    if ((draw < 0 && discard < 0) || name[1] < '0' || name[1] > '9') return std::nullopt;
    unsigned id = 0;
    for (const char* c = name + 1; *c; ++c) {
        // Beyond the last id, the rest only has to be digits.
        if (*c < '0' || *c > '9') return TileTag{discard >= 0, unsigned(discard >= 0 ? discard : draw), kNotAnId};
        if (id < kTileIdCount) id = id * 10 + unsigned(*c - '0');
    }
    return TileTag{discard >= 0, unsigned(discard >= 0 ? discard : draw), id};
}

class RecordReader {
public:
    Result<model::RawLog, MjlogError> run(const pugi::xml_node& root) {
        for (pugi::xml_node tag = root.first_child(); tag; tag = tag.next_sibling()) {
            if (tag.type() != pugi::node_element) continue;
            ++place_;
            if (!read_tag(tag)) [[unlikely]] {
                error_.message = tag_text(tag, place_) + ": " + error_.message;
                return fail(std::move(error_));
            }
            // A three-player record's tags are not a four-player game's: its
            // rule is all that is read, and the conversion refuses it.
            if (rule_ && rule_->three_player) [[unlikely]] {
                model::RawLog log;
                log.rule = std::move(*rule_);
                return log;
            }
        }
        if (!rule_) return fail(malformed("no GO tag"));
        if (!names_) return fail(malformed("no UN tag"));
        if (!owari_) return fail(refused("unfinished game"));
        if (hand_ && hand_->results.empty()) return fail(malformed("the last hand has no AGARI or RYUUKYOKU"));
        finish_hand();
        log_.log = std::move(hands_);
        log_.name = std::move(*names_);
        log_.rule = std::move(*rule_);
        return std::move(log_);
    }

private:
    bool read_tag(const pugi::xml_node& tag) {
        // Draws and discards are nearly all tags: they are told apart first,
        // from the name's characters without measuring it.
        if (const auto t = tile_tag(tag.name())) return t->discard ? discard(*t) : draw(*t);
        const std::string_view name = tag.name();
        if (name == "N") return call(tag);
        if (name == "REACH") return reach(tag);
        if (name == "DORA") return dora(tag);
        if (name == "INIT") return init(tag);
        if (name == "AGARI") return agari(tag);
        if (name == "RYUUKYOKU") return ryuukyoku(tag);
        if (name == "GO") return go(tag);
        if (name == "UN") return un(tag);
        if (name == "TAIKYOKU") return true;
        // A draw or discard whose tile is not a number: never taken for a
        // tag of another kind, which would leave the tile out of the game.
        if (draw_seat(name[0]) >= 0 || discard_seat(name[0]) >= 0) return bad("a draw or discard without a tile id");
        // SHUFFLE, BYE and whatever else: nothing the conversion reads.
        return true;
    }

    // The message says what is wrong; run() puts the tag before it.
    bool bad(std::string message) {
        error_ = malformed(std::move(message));
        return false;
    }

    std::optional<std::int64_t> int_attr(const pugi::xml_node& tag, const char* attr) {
        const pugi::xml_attribute a = tag.attribute(attr);
        if (!a) return std::nullopt;
        return parse_int(a.value());
    }

    // A hand must be open (an INIT seen and no result yet) for play tags.
    bool in_play(const char* what) {
        if (hand_ && hand_->results.empty()) [[likely]]
            return true;
        return bad(std::string(what) + " outside a hand");
    }

    model::Tile tile_of(unsigned id) const { return tiles_[id]; }

    // Items are made in place: a temporary would cost its notation's
    // destructor per entry. A seat's list holds about 18 entries in a hand
    // that runs to the end; room for them is made with the first, so that
    // hands without entries (a record of empty hands) cost nothing.
    static ActionItem& append(std::vector<ActionItem>& items) {
        if (items.capacity() == 0) items.reserve(24);
        return items.emplace_back();
    }
    static void push_tile(std::vector<ActionItem>& items, model::Tile t) {
        ActionItem& item = append(items);
        item.kind = ActionItem::Kind::Tile;
        item.tile = t;
    }
    static void push_number(std::vector<ActionItem>& items, std::uint8_t n) {
        ActionItem& item = append(items);
        item.kind = ActionItem::Kind::Number;
        item.number = n;
    }
    static void push_notation(std::vector<ActionItem>& items, std::string_view text) {
        ActionItem& item = append(items);
        item.kind = ActionItem::Kind::Notation;
        item.notation = text;
    }

    bool go(const pugi::xml_node& tag) {
        if (rule_) return bad("a second GO tag");
        const auto type = int_attr(tag, "type");
        if (!type) return bad("the game type is missing or not a number");
        auto rule = rule_of_game_type(*type);
        if (!rule) {
            error_ = std::move(rule.error());
            return false;
        }
        red_fives_ = rule.value().red_fives;
        if (const auto lobby = int_attr(tag, "lobby");
            lobby && *lobby >= std::numeric_limits<std::int32_t>::min() && *lobby <= std::numeric_limits<std::int32_t>::max())
            log_.lobby = std::int32_t(*lobby);
        for (unsigned id = 0; id < kTileIdCount; ++id) tiles_[id] = *mjai::tile_from_tenhou_code(tenhou_code_of_id(id, red_fives_));
        rule_ = std::move(rule).value();
        return true;
    }

    bool un(const pugi::xml_node& tag) {
        if (names_) return true;  // a reconnection
        std::array<std::string, 4> names;
        static constexpr const char* kAttrs[] = {"n0", "n1", "n2", "n3"};
        for (unsigned s = 0; s < 4; ++s) {
            const pugi::xml_attribute a = tag.attribute(kAttrs[s]);
            if (!a) return bad("a player name (n0 to n3) is missing");
            auto decoded = percent_decode_utf8(a.value());
            if (!decoded) return bad("player name is not percent-encoded UTF-8");
            names[s] = std::move(*decoded);
        }
        names_ = std::move(names);
        if (const pugi::xml_attribute dan = tag.attribute("dan")) log_.dan = dan_texts(dan.value());
        if (const pugi::xml_attribute rate = tag.attribute("rate")) log_.rate = rates(rate.value());
        if (const pugi::xml_attribute sx = tag.attribute("sx")) log_.sx = sexes(sx.value());
        return true;
    }

    bool init(const pugi::xml_node& tag) {
        if (!rule_) return bad("INIT before the GO tag");
        if (hands_.empty()) hands_.reserve(32);
        if (hand_ && hand_->results.empty()) return bad("INIT before the result of the hand before it");
        finish_hand();
        HandRecord hand;
        std::array<std::int64_t, 6> seed{};
        const pugi::xml_attribute seed_attr = tag.attribute("seed");
        if (!seed_attr || parse_int_list(seed_attr.value(), seed) != 6) return bad("seed is not six integers");
        for (int i = 0; i < 3; ++i) {
            if (seed[i] < 0 || seed[i] > 255) return bad("seed: hand, honba or deposit count out of range");
        }
        if (seed[5] < 0 || seed[5] >= kTileIdCount) return bad("seed: dora indicator tile id out of range");
        hand.meta = {std::uint8_t(seed[0]), std::uint8_t(seed[1]), std::uint8_t(seed[2])};
        hand.dora.push_back(tile_of(unsigned(seed[5])));

        std::array<std::int64_t, 4> ten{};
        const pugi::xml_attribute ten_attr = tag.attribute("ten");
        if (!ten_attr || parse_int_list(ten_attr.value(), ten) != 4) return bad("ten is not four integers");
        for (unsigned s = 0; s < 4; ++s) {
            if (!to_points(ten[s], hand.scores[s])) return bad("ten: score out of range");
        }

        static constexpr const char* kHai[] = {"hai0", "hai1", "hai2", "hai3"};
        for (unsigned s = 0; s < 4; ++s) {
            std::array<std::int64_t, 13> ids{};
            const pugi::xml_attribute a = tag.attribute(kHai[s]);
            if (!a || parse_int_list(a.value(), ids) != 13) return bad("a starting hand (hai0 to hai3) is missing or not 13 integers");
            // Sort key and id in one number, so that the sort compares plain integers.
            std::array<unsigned, 13> keyed{};
            for (unsigned i = 0; i < 13; ++i) {
                if (ids[i] < 0 || ids[i] >= kTileIdCount) return bad("starting hand: tile id out of range");
                keyed[i] = hand_order_key(unsigned(ids[i]), red_fives_) << 8 | unsigned(ids[i]);
            }
            std::sort(keyed.begin(), keyed.end());
            for (unsigned i = 0; i < 13; ++i) hand.seats[s].haipai[i] = tile_of(keyed[i] & 0xFF);
        }
        hand_ = std::move(hand);
        last_draw_.fill(kNoDraw);
        riichi_.fill(false);
        return true;
    }

    // Scores and deltas are written in hundreds.
    static bool to_points(std::int64_t hundreds, std::int32_t& points) {
        // Checked before multiplying: the input may hold 18 digits.
        if (hundreds > std::numeric_limits<std::int32_t>::max() / 100 ||
            hundreds < std::numeric_limits<std::int32_t>::min() / 100)
            return false;
        points = static_cast<std::int32_t>(hundreds * 100);
        return true;
    }

    bool draw(const TileTag& t) {
        if (!in_play("draw")) return false;
        if (t.id >= kTileIdCount) return bad_id(t);
        push_tile(hand_->seats[t.seat].takes, tile_of(t.id));
        last_draw_[t.seat] = int(t.id);
        return true;
    }

    bool bad_id(const TileTag& t) { return bad(t.id == kNotAnId ? "tile id is not a number" : "tile id out of range"); }

    bool discard(const TileTag& t) {
        if (!in_play("discard")) return false;
        if (t.id >= kTileIdCount) return bad_id(t);
        const bool tsumogiri = last_draw_[t.seat] == int(t.id);
        const std::uint8_t code = tsumogiri ? kTsumogiri : tenhou_code_of_id(t.id, red_fives_);
        auto& discards = hand_->seats[t.seat].discards;
        if (riichi_[t.seat]) {
            const char text[3] = {'r', char('0' + code / 10), char('0' + code % 10)};
            push_notation(discards, std::string_view(text, 3));
            riichi_[t.seat] = false;
        } else if (tsumogiri) {
            push_number(discards, kTsumogiri);
        } else {
            push_tile(discards, tile_of(t.id));
        }
        last_draw_[t.seat] = kNoDraw;
        return true;
    }

    std::optional<unsigned> seat_attr(const pugi::xml_node& tag) {
        const auto who = int_attr(tag, "who");
        if (!who || *who < 0 || *who > 3) return std::nullopt;
        return unsigned(*who);
    }

    bool call(const pugi::xml_node& tag) {
        if (!in_play("call")) return false;
        const auto who = seat_attr(tag);
        const auto m = int_attr(tag, "m");
        if (!who || !m || *m < 0 || *m > 0xFFFF) return bad("who or m is missing or out of range");
        auto meld = decode_meld(std::uint32_t(*m), red_fives_);
        if (!meld) return bad(meld.error().reason);
        auto& seat = hand_->seats[*who];
        if (meld.value().is_take()) {
            push_notation(seat.takes, meld.value().notation);
            // The open kan's place in the discards, the unknown tile.
            if (meld.value().kind == Meld::Kind::OpenKan) push_tile(seat.discards, mjai::kUnknownTile);
        } else {
            push_notation(seat.discards, meld.value().notation);
        }
        last_draw_[*who] = kNoDraw;
        return true;
    }

    bool reach(const pugi::xml_node& tag) {
        if (!in_play("REACH")) return false;
        const auto who = seat_attr(tag);
        const auto step = int_attr(tag, "step");
        if (!who || !step) return bad("who or step is missing or out of range");
        if (*step == 1) riichi_[*who] = true;
        return true;
    }

    bool dora(const pugi::xml_node& tag) {
        if (!in_play("DORA")) return false;
        const auto id = int_attr(tag, "hai");
        if (!id) return bad("hai is missing or not a number");
        if (*id < 0 || *id >= kTileIdCount) return bad("tile id out of range");
        hand_->dora.push_back(tile_of(unsigned(*id)));
        return true;
    }

    // The score changes: the odd entries of `sc`, in hundreds.
    bool deltas_of(const pugi::xml_node& tag, std::array<std::int32_t, 4>& deltas) {
        std::array<std::int64_t, 8> sc{};
        const pugi::xml_attribute a = tag.attribute("sc");
        if (!a || parse_int_list(a.value(), sc) != 8) return false;
        for (unsigned s = 0; s < 4; ++s) {
            if (!to_points(sc[2 * s + 1], deltas[s])) return false;
        }
        return true;
    }

    void note_end(const pugi::xml_node& tag) {
        if (const pugi::xml_attribute owari = tag.attribute("owari")) {
            owari_ = true;
            log_.final_scores = final_points(owari.value());
        }
    }

    // Several AGARI tags in a row are one hand's double or triple ron.
    bool agari(const pugi::xml_node& tag) {
        if (!hand_) return bad("AGARI outside a hand");
        auto& results = hand_->results;
        if (!results.empty() && (results[0].kind != ResultItem::Kind::Label || results[0].label != kWinLabel))
            return bad("AGARI after the hand's RYUUKYOKU");
        const auto who = seat_attr(tag);
        const auto from = int_attr(tag, "fromWho");
        if (!who || !from || *from < 0 || *from > 3) return bad("who or fromWho is missing or not a seat 0 to 3");
        std::int64_t pao = *who;
        if (const pugi::xml_attribute p = tag.attribute("paoWho")) {
            const auto v = parse_int(p.value());
            if (!v || *v < 0 || *v > 3) return bad("paoWho is not a seat 0 to 3");
            pao = *v;
        }
        ResultItem deltas;
        deltas.kind = ResultItem::Kind::Deltas;
        if (!deltas_of(tag, deltas.deltas)) return bad("sc is not eight integers in range");
        if (const pugi::xml_attribute ura = tag.attribute("doraHaiUra"); ura && hand_->ura.empty()) {
            std::array<std::int64_t, 8> ids{};
            const auto n = parse_int_list(ura.value(), ids);
            if (!n) return bad("doraHaiUra is not a list of at most eight integers");
            for (std::size_t i = 0; i < *n; ++i) {
                if (ids[i] < 0 || ids[i] >= kTileIdCount) return bad("doraHaiUra: tile id out of range");
                hand_->ura.push_back(tile_of(unsigned(ids[i])));
            }
        }
        if (results.empty()) {
            ResultItem label;
            label.label = kWinLabel;
            results.push_back(std::move(label));
        }
        results.push_back(std::move(deltas));
        ResultItem details;
        details.kind = ResultItem::Kind::Details;
        for (std::int64_t seat : {std::int64_t(*who), *from, pao}) {
            model::JsonValue v;
            v.kind = model::JsonValue::Kind::UInt;
            v.uint = std::uint64_t(seat);
            details.details.push_back(std::move(v));
        }
        results.push_back(std::move(details));
        note_end(tag);
        return true;
    }

    bool ryuukyoku(const pugi::xml_node& tag) {
        if (!hand_ || !hand_->results.empty()) return bad("RYUUKYOKU outside a hand");
        ResultItem deltas;
        deltas.kind = ResultItem::Kind::Deltas;
        if (!deltas_of(tag, deltas.deltas)) return bad("sc is not eight integers in range");
        ResultItem label;
        bool with_deltas = true;
        if (const pugi::xml_attribute type = tag.attribute("type")) {
            const auto it = std::find_if(kAbortLabels.begin(), kAbortLabels.end(),
                                         [&](const AbortLabel& a) { return a.type == type.value(); });
            if (it == kAbortLabels.end()) return bad("unknown draw type");
            label.label = it->label;
            with_deltas = it->with_deltas;
        } else {
            const bool no_change = std::all_of(deltas.deltas.begin(), deltas.deltas.end(), [](auto d) { return d == 0; });
            unsigned tenpai = 0;
            for (const char* hai : {"hai0", "hai1", "hai2", "hai3"}) tenpai += tag.attribute(hai) ? 1 : 0;
            if (no_change && tenpai == 4) {
                label.label = kAllTenpaiLabel;
                with_deltas = false;
            } else if (no_change && tenpai == 0) {
                label.label = kAllNotenLabel;
                with_deltas = false;
            } else {
                label.label = kDrawLabel;
            }
        }
        hand_->results.push_back(std::move(label));
        if (with_deltas) hand_->results.push_back(std::move(deltas));
        note_end(tag);
        return true;
    }

    void finish_hand() {
        if (hand_) hands_.push_back(std::move(*hand_));
        hand_.reset();
    }

    // The log being read: what describes the game is set as its tags come,
    // the hands, names and rule at the end.
    model::RawLog log_;
    std::optional<model::Rule> rule_;
    std::optional<std::array<std::string, 4>> names_;
    bool red_fives_ = false;
    std::array<model::Tile, kTileIdCount> tiles_{};  // by tile id, for this game's red fives
    bool owari_ = false;
    std::vector<HandRecord> hands_;
    std::optional<HandRecord> hand_;
    std::array<int, 4> last_draw_{kNoDraw, kNoDraw, kNoDraw, kNoDraw};
    std::array<bool, 4> riichi_{};
    MjlogError error_;
    std::size_t place_ = 0;  // of the tag being read, among the record's tags
};

}  // namespace

Result<model::RawLog, MjlogError> read_record_tags(const pugi::xml_node& root) {
    return RecordReader{}.run(root);
}

}  // namespace ripaion::mjlog
