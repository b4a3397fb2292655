// The event handler that fills the log model while the JSON parser walks the
// text. It keeps an explicit stack of frames (one per open array or object
// that is being read into the model), so nothing recurses on input depth and
// no generic tree is built except for the entries that are generic by nature
// (win details).
//
// Included by the one translation unit that instantiates the parser, so that
// the callbacks can be inlined into it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <boost/json/basic_parser.hpp>

#include "ripaion/mjai/tile.hpp"
#include "ripaion/tenhou/diagnostics.hpp"
#include "ripaion/tenhou/json_number.hpp"
#include "ripaion/tenhou/json_scalar.hpp"
#include "ripaion/tenhou/model_fields.hpp"
#include "ripaion/tenhou/raw_log.hpp"
#include "ripaion/tenhou/sax_frames.hpp"

namespace ripaion::tenhou::detail {

namespace json = boost::json;

class LogSaxHandler {
public:
    static constexpr std::size_t max_array_size = std::size_t(-1);
    static constexpr std::size_t max_object_size = std::size_t(-1);
    static constexpr std::size_t max_string_size = std::size_t(-1);
    static constexpr std::size_t max_key_size = std::size_t(-1);

    LogSaxHandler() {
        // Model frames never exceed the level limit, plus the document frame
        // and one frame for a skipped value, so the stack never reallocates.
        frames_.reserve(kMaxModelLevel + 4);
        frames_.push_back(Frame{FrameKind::Document, 0, 0, 0, &log_});
    }

    // The diagnostic of the failure the handler reported, if any.
    const std::string& error() const noexcept { return error_; }
    RawLog take_log() noexcept { return std::move(log_); }

    // The parser reads `parsed`, a copy of `original` of the same length;
    // numbers are read from the original (see with_exponents_zeroed).
    void read_numbers_from(std::string_view original, const char* parsed) noexcept {
        original_ = original;
        parsed_ = parsed;
    }

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) { return true; }

    bool on_array_begin(json::error_code& ec) { return report(begin_container(true), ec); }
    bool on_array_end(std::size_t n, json::error_code& ec) { return report(end_container(n), ec); }
    bool on_object_begin(json::error_code& ec) { return report(begin_container(false), ec); }
    bool on_object_end(std::size_t n, json::error_code& ec) { return report(end_container(n), ec); }

    // Texts can arrive in pieces (long texts with escapes); the pieces are
    // joined before the text is used.
    bool on_string_part(json::string_view s, std::size_t, json::error_code&) {
        pieces_.append(s.data(), s.size());
        return true;
    }
    bool on_string(json::string_view s, std::size_t, json::error_code& ec) {
        const bool ok = put_string(joined(s));
        pieces_.clear();
        return report(ok, ec);
    }
    bool on_key_part(json::string_view s, std::size_t, json::error_code&) {
        pieces_.append(s.data(), s.size());
        return true;
    }
    bool on_key(json::string_view s, std::size_t, json::error_code& ec) {
        const bool ok = put_key(joined(s));
        pieces_.clear();
        return report(ok, ec);
    }

    // The whole text is parsed in one call, so numbers never come in pieces.
    bool on_number_part(json::string_view, json::error_code&) { return true; }

    // Non-negative integers up to 2^63 - 1 arrive here too. A zero written
    // with a minus sign is a float.
    [[gnu::always_inline]] bool on_int64(std::int64_t i, json::string_view raw, json::error_code& ec) {
        if (i >= 0 && i <= 255 && !written_negative(raw) && put_small_uint(static_cast<std::uint8_t>(i))) return true;
        return on_int64_general(i, raw, ec);
    }
    bool on_uint64(std::uint64_t u, json::string_view, json::error_code& ec) { return report(put_uint(u), ec); }

    // Fractions, exponents and integers beyond 64 bits. The parser's value
    // is discarded in favour of a correctly rounded one; a magnitude beyond
    // the double range fails wherever it stands, skipped values included.
    bool on_double(double, json::string_view raw, json::error_code& ec) {
        const auto value = read_float_text(number_text(raw));
        if (!value) return report(fail(std::string(kNumberOutOfRange)), ec);
        return report(put_scalar(Scalar::of_double(*value)), ec);
    }
    bool on_bool(bool b, json::error_code& ec) { return report(put_scalar(Scalar::of_bool(b)), ec); }
    bool on_null(json::error_code& ec) { return report(put_scalar(Scalar::null()), ec); }

    // Comments are refused by the parser options; these are never called.
    bool on_comment_part(json::string_view, json::error_code&) { return true; }
    bool on_comment(json::string_view, json::error_code&) { return true; }

private:
    static bool report(bool ok, json::error_code& ec) {
        if (!ok) ec = json::error::exception;  // the text is in error_
        return ok;
    }

    bool fail(std::string message) {
        error_ = std::move(message);
        return false;
    }

    std::string_view joined(json::string_view last) {
        if (pieces_.empty()) return {last.data(), last.size()};
        pieces_.append(last.data(), last.size());
        return pieces_;
    }

    std::string_view number_text(json::string_view raw) const noexcept {
        if (parsed_ == nullptr) return {raw.data(), raw.size()};
        return original_.substr(static_cast<std::size_t>(raw.data() - parsed_), raw.size());
    }

    static bool written_negative(json::string_view raw) noexcept { return !raw.empty() && raw.front() == '-'; }

    static bool absorbs(FrameKind k) noexcept { return k >= FrameKind::Skip; }

    // Opens a frame for an array or object read into the model.
    bool open(FrameKind kind, void* target) {
        if (level_ >= kMaxModelLevel) return fail(std::string(kRecursionLimit));
        ++level_;
        frames_.push_back(Frame{kind, 0, 0, 0, target});
        return true;
    }

    static Target raw_log_target(RawLogField field, RawLog& log) noexcept {
        switch (field) {
            case RawLogField::Log: return {Slot::HandList, &log.log};
            case RawLogField::Name: return {Slot::Names, log.name.data()};
            case RawLogField::Rule: return {Slot::Rule, &log.rule};
            case RawLogField::Ratingc: return {Slot::OptString, &log.ratingc};
            case RawLogField::Lobby: return {Slot::OptI32, &log.lobby};
            case RawLogField::Dan: return {Slot::OptStringList, &log.dan};
            case RawLogField::Rate: return {Slot::OptFloatList, &log.rate};
            case RawLogField::Sx: return {Slot::OptStringList, &log.sx};
            case RawLogField::None: break;
        }
        return {Slot::Skip, nullptr};
    }

    static Target rule_target(RuleField field, Rule& rule) noexcept {
        switch (field) {
            case RuleField::Disp: return {Slot::String, &rule.disp};
            case RuleField::Aka: return {Slot::U8, &rule.aka};
            case RuleField::Aka51: return {Slot::U8, &rule.aka51};
            case RuleField::Aka52: return {Slot::U8, &rule.aka52};
            case RuleField::Aka53: return {Slot::U8, &rule.aka53};
            case RuleField::None: break;
        }
        return {Slot::Skip, nullptr};
    }

    // The frame of each of the 17 elements of a hand, and where in the
    // HandRecord it goes (as hand_target gives them).
    static constexpr std::array<FrameKind, 17> kHandElementFrames = {
        FrameKind::Meta,       FrameKind::Scores,     FrameKind::TileList,   FrameKind::TileList,
        FrameKind::Haipai,     FrameKind::ActionList, FrameKind::ActionList, FrameKind::Haipai,
        FrameKind::ActionList, FrameKind::ActionList, FrameKind::Haipai,     FrameKind::ActionList,
        FrameKind::ActionList, FrameKind::Haipai,     FrameKind::ActionList, FrameKind::ActionList,
        FrameKind::ResultList,
    };
    static const std::array<std::ptrdiff_t, 17>& hand_element_offsets() noexcept {
        static const std::array<std::ptrdiff_t, 17> offsets = [] {
            std::array<std::ptrdiff_t, 17> o{};
            HandRecord sample;
            for (std::uint32_t i = 0; i < 17; ++i) {
                o[i] = static_cast<char*>(hand_target(i, sample).dest) - reinterpret_cast<char*>(&sample);
            }
            return o;
        }();
        return offsets;
    }

    static Target hand_target(std::uint32_t index, HandRecord& hand) noexcept {
        switch (index) {
            case 0: return {Slot::Meta, &hand.meta};
            case 1: return {Slot::Scores, hand.scores.data()};
            case 2: return {Slot::TileList, &hand.dora};
            case 3: return {Slot::TileList, &hand.ura};
            case 16: return {Slot::ResultList, &hand.results};
            default: break;
        }
        SeatRecord& seat = hand.seats[(index - 4) / 3];
        switch ((index - 4) % 3) {
            case 0: return {Slot::Haipai, seat.haipai.data()};
            case 1: return {Slot::ActionList, &seat.takes};
            default: return {Slot::ActionList, &seat.discards};
        }
    }

    // Where the next element or member value of frame `f` goes. Fails on an
    // element beyond a fixed length.
    bool next_target(Frame& f, Target& t) {
        const std::uint32_t i = f.count++;
        switch (f.kind) {
            case FrameKind::Document:
                t = {Slot::RawLog, f.target};
                return true;
            // A record written as an object names its field by the key; one
            // written as an array, by the element's position.
            case FrameKind::RawLogObject:
            case FrameKind::RawLogArray: {
                const bool by_key = f.kind == FrameKind::RawLogObject;
                if (!by_key && i >= kRawLogFieldCount) {
                    return fail(too_many_elements(kRawLogFieldCount, shape::kRawLogArray));
                }
                t = raw_log_target(static_cast<RawLogField>(by_key ? f.field : i), *static_cast<RawLog*>(f.target));
                return true;
            }
            case FrameKind::RuleObject:
            case FrameKind::RuleArray: {
                const bool by_key = f.kind == FrameKind::RuleObject;
                if (!by_key && i >= kRuleFieldCount) return fail(too_many_elements(kRuleFieldCount, shape::kRuleArray));
                t = rule_target(static_cast<RuleField>(by_key ? f.field : i), *static_cast<Rule*>(f.target));
                return true;
            }
            case FrameKind::HandList:
                t = {Slot::Hand, &grow(*static_cast<std::vector<HandRecord>*>(f.target), 16)};
                return true;
            case FrameKind::Hand:
                if (i >= 17) return fail(too_many_elements(17, shape::kHand));
                t = hand_target(i, *static_cast<HandRecord*>(f.target));
                return true;
            case FrameKind::Meta:
                if (i >= 3) return fail(too_many_elements(3, shape::kMeta));
                t = {Slot::U8, &meta_field(f, i)};
                return true;
            case FrameKind::Scores:
                if (i >= 4) return fail(too_many_elements(4, shape::kFour));
                t = {Slot::I32, static_cast<std::int32_t*>(f.target) + i};
                return true;
            case FrameKind::Names:
                if (i >= 4) return fail(too_many_elements(4, shape::kFour));
                t = {Slot::String, static_cast<std::string*>(f.target) + i};
                return true;
            case FrameKind::TileList:
                t = {Slot::Tile, &grow(*static_cast<std::vector<mjai::Tile>*>(f.target), 8)};
                return true;
            case FrameKind::Haipai:
                if (i >= 13) return fail(too_many_elements(13, shape::kHaipai));
                t = {Slot::Tile, static_cast<mjai::Tile*>(f.target) + i};
                return true;
            case FrameKind::ActionList:
                t = {Slot::ActionItem, &grow(*static_cast<std::vector<tenhou::ActionItem>*>(f.target), 24)};
                return true;
            case FrameKind::ResultList:
                t = {Slot::ResultItem, &grow(*static_cast<std::vector<tenhou::ResultItem>*>(f.target), 4)};
                return true;
            case FrameKind::ResultArray:
                t = {Slot::Json, &grow(static_cast<tenhou::ResultItem*>(f.target)->details, 8)};
                return true;
            case FrameKind::StringList:
                t = {Slot::String, &grow(*static_cast<std::vector<std::string>*>(f.target), 4)};
                return true;
            case FrameKind::FloatList:
                t = {Slot::F64, &grow(*static_cast<std::vector<double>*>(f.target), 4)};
                return true;
            case FrameKind::JsonArray:
                t = {Slot::Json, &static_cast<JsonValue*>(f.target)->array.emplace_back()};
                return true;
            case FrameKind::JsonObject:
                t = {Slot::Json, &static_cast<JsonValue*>(f.target)->object.back().second};
                return true;
            case FrameKind::Skip:
            case FrameKind::DoomedActionItem:
            case FrameKind::DoomedResultItem:
                break;
        }
        t = {Slot::Skip, nullptr};
        return true;
    }

    bool put_u8(const Scalar& v, std::uint8_t& out) {
        if (v.kind == Scalar::Kind::UInt && v.uint <= 255) {
            out = static_cast<std::uint8_t>(v.uint);
            return true;
        }
        return fail_integer(v, shape::kU8);
    }

    bool put_i32(const Scalar& v, std::int32_t& out) {
        constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
        constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
        if (v.kind == Scalar::Kind::UInt && v.uint <= std::uint64_t{kMax}) {
            out = static_cast<std::int32_t>(v.uint);
            return true;
        }
        if (v.kind == Scalar::Kind::Int && v.sint >= std::int64_t{kMin}) {
            out = static_cast<std::int32_t>(v.sint);
            return true;
        }
        return fail_integer(v, shape::kI32);
    }

    // An integer out of the range of `expected` is a wrong value; anything
    // else is a wrong type.
    bool fail_integer(const Scalar& v, std::string_view expected) {
        const bool is_integer = v.kind == Scalar::Kind::UInt || v.kind == Scalar::Kind::Int;
        if (is_integer) return fail(invalid_value(describe(v), expected));
        return fail(invalid_type(describe(v), expected));
    }

    bool put_tile(const Scalar& v, mjai::Tile& out) {
        std::uint8_t code = 0;
        if (!put_u8(v, code)) return false;
        const std::uint8_t index = kTileCodeTable[code];
        if (index == kNoTile) return fail(bad_tile_code(code));
        out = mjai::Tile{index};
        return true;
    }

    // Selects rather than branches: tile codes and tsumogiri markers follow
    // each other in no predictable order. `item` is a new entry.
    static void put_small_number(std::uint8_t value, tenhou::ActionItem& item) noexcept {
        const std::uint8_t index = kTileCodeTable[value];
        const bool is_tile = index != kNoTile;
        item.kind = is_tile ? tenhou::ActionItem::Kind::Tile : tenhou::ActionItem::Kind::Number;
        item.tile = mjai::Tile{is_tile ? index : std::uint8_t{0}};
        item.number = is_tile ? std::uint8_t{0} : value;
    }

    // Tile codes first, then other small numbers, then texts.
    bool put_action_item(const Scalar& v, tenhou::ActionItem& item) {
        if (v.kind == Scalar::Kind::UInt && v.uint <= 255) {
            put_small_number(static_cast<std::uint8_t>(v.uint), item);
            return true;
        }
        if (v.kind == Scalar::Kind::String) {
            item.kind = tenhou::ActionItem::Kind::Notation;
            item.notation.assign(v.text);
            return true;
        }
        return fail(std::string(kActionItemMismatch));
    }

    static void put_json(const Scalar& v, JsonValue& out) {
        switch (v.kind) {
            case Scalar::Kind::Null: out.kind = JsonValue::Kind::Null; break;
            case Scalar::Kind::Bool: out.kind = JsonValue::Kind::Bool; out.boolean = v.boolean; break;
            case Scalar::Kind::UInt: out.kind = JsonValue::Kind::UInt; out.uint = v.uint; break;
            case Scalar::Kind::Int: out.kind = JsonValue::Kind::Int; out.sint = v.sint; break;
            case Scalar::Kind::Double: out.kind = JsonValue::Kind::Double; out.real = v.real; break;
            case Scalar::Kind::String: out.kind = JsonValue::Kind::String; out.string.assign(v.text); break;
        }
    }

    static std::uint8_t& meta_field(Frame& f, std::uint32_t i) noexcept {
        auto& meta = *static_cast<HandMeta*>(f.target);
        return i == 0 ? meta.kyoku_num : i == 1 ? meta.honba : meta.kyotaku;
    }

    [[gnu::noinline]] bool on_int64_general(std::int64_t i, json::string_view raw, json::error_code& ec) {
        // Scores, the other numbers of every hand (a negative zero is not
        // an integer, so it takes the general path).
        Frame& f = frames_.back();
        if (f.kind == FrameKind::Scores && f.count < 4 && i >= std::numeric_limits<std::int32_t>::min() &&
            i <= std::numeric_limits<std::int32_t>::max() && (i != 0 || !written_negative(raw))) {
            static_cast<std::int32_t*>(f.target)[f.count++] = static_cast<std::int32_t>(i);
            return true;
        }
        if (i < 0) return report(put_scalar(Scalar::of_int(i)), ec);
        if (written_negative(raw)) return report(put_scalar(Scalar::of_double(-0.0)), ec);
        return report(put_uint(static_cast<std::uint64_t>(i)), ec);
    }

    // Fast paths for the values that make up most of a log: tile codes and
    // small numbers in draw, discard, dora and starting-hand lists, and
    // texts in draw and discard lists. Everything else, and every failure,
    // takes the general path, which gives the same result.
    bool put_uint(std::uint64_t u) {
        if (u <= 255 && put_small_uint(static_cast<std::uint8_t>(u))) return true;
        return put_scalar(Scalar::of_uint(u));
    }

    // False, having changed nothing, when the value needs the general path.
    [[gnu::always_inline, gnu::flatten]] bool put_small_uint(std::uint8_t u) {
        Frame& f = frames_.back();
        switch (f.kind) {
            case FrameKind::ActionList: {
                auto& list = *static_cast<std::vector<tenhou::ActionItem>*>(f.target);
                if (list.size() == list.capacity()) make_room(list, 24);
                assume_room(list);
                put_small_number(u, list.emplace_back());
                return true;
            }
            case FrameKind::Haipai: {
                const std::uint8_t index = kTileCodeTable[u];
                if (index == kNoTile || f.count >= 13) return false;
                static_cast<mjai::Tile*>(f.target)[f.count++] = mjai::Tile{index};
                return true;
            }
            case FrameKind::Meta:
                if (f.count >= 3) return false;
                meta_field(f, f.count++) = u;
                return true;
            case FrameKind::TileList: {
                const std::uint8_t index = kTileCodeTable[u];
                if (index == kNoTile) return false;
                auto& list = *static_cast<std::vector<mjai::Tile>*>(f.target);
                if (list.size() == list.capacity()) make_room(list, 8);
                assume_room(list);
                list.push_back(mjai::Tile{index});
                return true;
            }
            default:
                return false;
        }
    }

    // Tells the compiler what make_room ensures, so that the hot paths above
    // carry no reallocation code of their own.
    template <class T>
    static void assume_room(const std::vector<T>& v) noexcept {
        if (v.size() >= v.capacity()) __builtin_unreachable();
    }

    // Room for one more element: a typical list's worth at first, then
    // twice as much.
    template <class T>
    [[gnu::noinline]] static void make_room(std::vector<T>& v, std::size_t first_capacity) {
        v.reserve(std::max(v.size() + 1, v.capacity() == 0 ? first_capacity : 2 * v.capacity()));
    }

    bool put_string(std::string_view text) {
        Frame& f = frames_.back();
        if (f.kind == FrameKind::ActionList) {
            auto& item = grow(*static_cast<std::vector<tenhou::ActionItem>*>(f.target), 24);
            item.kind = tenhou::ActionItem::Kind::Notation;
            item.notation.assign(text);
            return true;
        }
        return put_scalar(Scalar::of_string(text));
    }

    bool put_scalar(const Scalar& v) {
        Frame& f = frames_.back();
        if (absorbs(f.kind)) return true;
        Target t;
        if (!next_target(f, t)) return false;
        const bool is_null = v.kind == Scalar::Kind::Null;
        switch (t.slot) {
            case Slot::String:
                if (v.kind != Scalar::Kind::String) break;
                static_cast<std::string*>(t.dest)->assign(v.text);
                return true;
            case Slot::OptString:
                if (is_null) return true;
                if (v.kind != Scalar::Kind::String) break;
                static_cast<std::optional<std::string>*>(t.dest)->emplace(v.text);
                return true;
            case Slot::U8:
                return put_u8(v, *static_cast<std::uint8_t*>(t.dest));
            case Slot::I32:
                return put_i32(v, *static_cast<std::int32_t*>(t.dest));
            case Slot::OptI32: {
                if (is_null) return true;
                std::int32_t value = 0;
                if (!put_i32(v, value)) return false;
                *static_cast<std::optional<std::int32_t>*>(t.dest) = value;
                return true;
            }
            case Slot::F64: {
                double& out = *static_cast<double*>(t.dest);
                if (v.kind == Scalar::Kind::Double) out = v.real;
                else if (v.kind == Scalar::Kind::UInt) out = static_cast<double>(v.uint);
                else if (v.kind == Scalar::Kind::Int) out = static_cast<double>(v.sint);
                else break;
                return true;
            }
            case Slot::Tile:
                return put_tile(v, *static_cast<mjai::Tile*>(t.dest));
            case Slot::ActionItem:
                return put_action_item(v, *static_cast<tenhou::ActionItem*>(t.dest));
            case Slot::ResultItem: {
                if (v.kind != Scalar::Kind::String) return fail(std::string(kResultItemMismatch));
                auto& item = *static_cast<tenhou::ResultItem*>(t.dest);
                item.kind = tenhou::ResultItem::Kind::Label;
                item.label.assign(v.text);
                return true;
            }
            case Slot::Json:
                put_json(v, *static_cast<JsonValue*>(t.dest));
                return true;
            case Slot::Skip:
                return true;
            case Slot::OptStringList:
            case Slot::OptFloatList:
                if (is_null) return true;
                break;
            default:
                break;
        }
        return fail(invalid_type(describe(v), expected_shape(t.slot)));
    }

    bool begin_container(bool is_array) {
        Frame& f = frames_.back();
        // The elements of a hand are most of the arrays opened; where each
        // goes follows from its position alone.
        if (is_array && f.kind == FrameKind::Hand && f.count < 17) {
            const std::uint32_t i = f.count++;
            return open(kHandElementFrames[i], static_cast<char*>(f.target) + hand_element_offsets()[i]);
        }
        if (f.kind == FrameKind::Skip) {
            ++f.count;
            return true;
        }
        if (absorbs(f.kind)) {  // a doomed entry is buffered in full, so its levels count
            if (level_ >= kMaxModelLevel) return fail(std::string(kRecursionLimit));
            ++level_;
            ++f.count;
            return true;
        }
        Target t;
        if (!next_target(f, t)) return false;
        switch (t.slot) {
            case Slot::RawLog:
                return open(is_array ? FrameKind::RawLogArray : FrameKind::RawLogObject, t.dest);
            case Slot::Rule:
                return open(is_array ? FrameKind::RuleArray : FrameKind::RuleObject, t.dest);
            case Slot::Json: {
                auto& value = *static_cast<JsonValue*>(t.dest);
                value.kind = is_array ? JsonValue::Kind::Array : JsonValue::Kind::Object;
                return open(is_array ? FrameKind::JsonArray : FrameKind::JsonObject, t.dest);
            }
            case Slot::Skip:
                frames_.push_back(Frame{FrameKind::Skip, 0, 0, 1, nullptr});
                return true;
            case Slot::ActionItem:
                if (!open(FrameKind::DoomedActionItem, nullptr)) return false;
                frames_.back().count = 1;
                return true;
            case Slot::ResultItem:
                if (!is_array) {
                    if (!open(FrameKind::DoomedResultItem, nullptr)) return false;
                    frames_.back().count = 1;
                    return true;
                }
                static_cast<tenhou::ResultItem*>(t.dest)->kind = tenhou::ResultItem::Kind::Details;
                return open(FrameKind::ResultArray, t.dest);
            default:
                break;
        }
        if (is_array) {
            switch (t.slot) {
                case Slot::HandList: return open(FrameKind::HandList, t.dest);
                case Slot::Hand: return open(FrameKind::Hand, t.dest);
                case Slot::Meta: return open(FrameKind::Meta, t.dest);
                case Slot::Scores: return open(FrameKind::Scores, t.dest);
                case Slot::Names: return open(FrameKind::Names, t.dest);
                case Slot::TileList: return open(FrameKind::TileList, t.dest);
                case Slot::Haipai: return open(FrameKind::Haipai, t.dest);
                case Slot::ActionList: return open(FrameKind::ActionList, t.dest);
                case Slot::ResultList: return open(FrameKind::ResultList, t.dest);
                case Slot::StringList: return open(FrameKind::StringList, t.dest);
                case Slot::FloatList: return open(FrameKind::FloatList, t.dest);
                case Slot::OptStringList:
                    return open(FrameKind::StringList,
                                &static_cast<std::optional<std::vector<std::string>>*>(t.dest)->emplace());
                case Slot::OptFloatList:
                    return open(FrameKind::FloatList,
                                &static_cast<std::optional<std::vector<double>>*>(t.dest)->emplace());
                default: break;
            }
        }
        return fail(invalid_type(is_array ? kFoundArray : kFoundObject, expected_shape(t.slot)));
    }

    // A result entry that is an array of exactly four 32-bit integers is a
    // score change; any other array is a win's details.
    static void finish_result_item(tenhou::ResultItem& item) {
        auto& d = item.details;
        if (d.size() != 4) return;
        for (const JsonValue& v : d) {
            if (!fits_i32(v)) return;
        }
        for (std::size_t k = 0; k < 4; ++k) {
            item.deltas[k] = d[k].kind == JsonValue::Kind::UInt ? static_cast<std::int32_t>(d[k].uint)
                                                                 : static_cast<std::int32_t>(d[k].sint);
        }
        item.kind = tenhou::ResultItem::Kind::Deltas;
        d = {};
    }

    bool end_container(std::size_t n) {
        Frame& f = frames_.back();
        switch (f.kind) {
            case FrameKind::Skip:
                if (--f.count == 0) frames_.pop_back();
                return true;
            case FrameKind::DoomedActionItem:
            case FrameKind::DoomedResultItem:
                --level_;
                if (--f.count != 0) return true;
                return fail(std::string(f.kind == FrameKind::DoomedActionItem ? kActionItemMismatch
                                                                             : kResultItemMismatch));
            case FrameKind::RawLogObject:
                for (auto field : {RawLogField::Log, RawLogField::Name, RawLogField::Rule}) {
                    if (!(f.seen & (1u << static_cast<unsigned>(field)))) {
                        return fail(missing_field(raw_log_field_name(field)));
                    }
                }
                break;
            case FrameKind::RawLogArray:
                if (n < kRawLogFieldCount) return fail(invalid_length(n, shape::kRawLogArray));
                break;
            case FrameKind::Hand:
                if (n < 17) return fail(invalid_length(n, shape::kHand));
                break;
            case FrameKind::Meta:
                if (n < 3) return fail(invalid_length(n, shape::kMeta));
                break;
            case FrameKind::Scores:
            case FrameKind::Names:
                if (n < 4) return fail(invalid_length(n, shape::kFour));
                break;
            case FrameKind::Haipai:
                if (n < 13) return fail(invalid_length(n, shape::kHaipai));
                break;
            case FrameKind::ResultArray:
                finish_result_item(*static_cast<tenhou::ResultItem*>(f.target));
                break;
            default:
                break;
        }
        frames_.pop_back();
        --level_;
        return true;
    }

    // Keys of records are matched to fields; a field given twice fails
    // before its second value is read.
    template <class Field>
    bool note_field(Frame& f, Field field, std::string_view key) {
        f.field = static_cast<std::uint8_t>(field);
        if (field == Field::None) return true;
        const auto bit = static_cast<std::uint16_t>(1u << static_cast<unsigned>(field));
        if (f.seen & bit) return fail(duplicate_field(key));
        f.seen = static_cast<std::uint16_t>(f.seen | bit);
        return true;
    }

    bool put_key(std::string_view key) {
        Frame& f = frames_.back();
        switch (f.kind) {
            case FrameKind::RawLogObject: return note_field(f, raw_log_field(key), key);
            case FrameKind::RuleObject: return note_field(f, rule_field(key), key);
            case FrameKind::JsonObject:
                static_cast<JsonValue*>(f.target)->object.emplace_back().first.assign(key);
                return true;
            default: return true;  // skipped or doomed values
        }
    }

    RawLog log_;
    std::vector<Frame> frames_;
    std::uint32_t level_ = 0;  // arrays and objects open in counted frames
    std::string pieces_;
    std::string error_;
    std::string_view original_;
    const char* parsed_ = nullptr;
};

}  // namespace ripaion::tenhou::detail
