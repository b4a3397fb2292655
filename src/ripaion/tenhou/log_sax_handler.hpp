// The event handler that fills the log model while the JSON parser walks the
// text. It keeps an explicit stack of frames, one per open array or object
// (so nothing recurses on input depth), and builds no generic tree except
// for the entries that are generic by nature (win details). Where each value
// goes is the shape of log_shape.hpp; how a scalar is read, the rules of
// value_rules.hpp.
//
// Included by the one translation unit that instantiates the parser, so that
// the callbacks can be inlined into it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <boost/json/basic_parser.hpp>

#include "ripaion/model/raw_log.hpp"
#include "ripaion/tenhou/diagnostics.hpp"
#include "ripaion/tenhou/json_number.hpp"
#include "ripaion/tenhou/json_scalar.hpp"
#include "ripaion/tenhou/log_shape.hpp"
#include "ripaion/tenhou/value_rules.hpp"

namespace ripaion::tenhou::detail {

namespace json = boost::json;

class LogSaxHandler {
public:
    static constexpr std::size_t max_array_size = std::size_t(-1);
    static constexpr std::size_t max_object_size = std::size_t(-1);
    static constexpr std::size_t max_string_size = std::size_t(-1);
    static constexpr std::size_t max_key_size = std::size_t(-1);

    LogSaxHandler() : frames_(kMaxFrames) { frames_[0] = Frame(document_); }

    // The diagnostic of the failure the handler reported, if any.
    const std::string& error() const noexcept { return fault_.text; }
    RawLog take_log() {
        RawLog log = std::move(document_.log);
        log.ref = std::move(kept_ref_.text);
        log.final_scores = kept_scores_.value();
        return log;
    }

    // The parser reads `parsed`, a copy of `original` of the same length;
    // numbers are read from the original (see with_exponents_zeroed).
    void read_numbers_from(std::string_view original, const char* parsed) noexcept {
        original_ = original;
        parsed_ = parsed;
    }

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) { return true; }

    bool on_array_begin(json::error_code& ec) { return report(begin(true), ec); }
    bool on_array_end(std::size_t n, json::error_code& ec) { return report(end(n), ec); }
    bool on_object_begin(json::error_code& ec) { return report(begin(false), ec); }
    bool on_object_end(std::size_t n, json::error_code& ec) { return report(end(n), ec); }

    // Texts can arrive in pieces (long texts with escapes); the pieces are
    // joined before the text is used.
    bool on_string_part(json::string_view s, std::size_t, json::error_code&) {
        pieces_.append(s.data(), s.size());
        return true;
    }
    bool on_string(json::string_view s, std::size_t, json::error_code& ec) {
        const bool ok = put(Text{joined(s)});
        pieces_.clear();
        return report(ok, ec);
    }
    bool on_key_part(json::string_view s, std::size_t, json::error_code&) {
        pieces_.append(s.data(), s.size());
        return true;
    }
    bool on_key(json::string_view s, std::size_t, json::error_code& ec) {
        const bool ok = key(joined(s));
        pieces_.clear();
        return report(ok, ec);
    }

    // The whole text is parsed in one call, so numbers never come in pieces.
    bool on_number_part(json::string_view, json::error_code&) { return true; }

    // Non-negative integers up to 2^63 - 1 arrive here too. A zero written
    // with a minus sign is a float. Most numbers of a log are tile codes and
    // small numbers in draw, discard and starting-hand lists: for those the
    // same steps as for any value are inlined into the parser.
    [[gnu::always_inline]] bool on_int64(std::int64_t i, json::string_view raw, json::error_code& ec) {
        if (i >= 0 && !written_negative(raw)) {
            const UInt v{static_cast<std::uint64_t>(i)};
            Frame& f = frames_[top_];
            bool ok = false;
            if (put_if_in<std::vector<ActionItem>, Haipai, std::vector<Tile>, HandMeta>(f, v, ok)) return report(ok, ec);
        }
        return on_int64_elsewhere(i, raw, ec);
    }
    [[gnu::noinline]] bool on_int64_elsewhere(std::int64_t i, json::string_view raw, json::error_code& ec) {
        if (i < 0) return report(put(NegInt{i}), ec);
        if (written_negative(raw)) return report(put(Float{-0.0}), ec);
        return report(put(UInt{static_cast<std::uint64_t>(i)}), ec);
    }
    bool on_uint64(std::uint64_t u, json::string_view, json::error_code& ec) { return report(put(UInt{u}), ec); }

    // Fractions, exponents and integers beyond 64 bits. The parser's value
    // is discarded in favour of a correctly rounded one; a magnitude beyond
    // the double range fails wherever it stands, skipped values included.
    bool on_double(double, json::string_view raw, json::error_code& ec) {
        const auto value = read_float_text(number_text(raw));
        if (!value) return report(fault_(kNumberOutOfRange), ec);
        return report(put(Float{*value}), ec);
    }
    bool on_bool(bool b, json::error_code& ec) { return report(put(Bool{b}), ec); }
    bool on_null(json::error_code& ec) { return report(put(Null{}), ec); }

    // Comments are refused by the parser options; these are never called.
    bool on_comment_part(json::string_view, json::error_code&) { return true; }
    bool on_comment(json::string_view, json::error_code&) { return true; }

private:
    struct Frame {
        Frame() noexcept = default;
        template <class T>
        explicit Frame(T& into, bool by_position = false) noexcept : target(into), positional(by_position) {}

        ContainerTarget target;
        bool positional = false;         // a record written as an array
        std::uint8_t field = kNoField;   // a record written as an object: field of the current key
        std::uint32_t seen = 0;          // a record written as an object: one bit per field given
        std::uint32_t count = 0;         // elements begun; for Skipped and Doomed, containers open
    };

    static bool report(bool ok, json::error_code& ec) {
        if (!ok) ec = json::error::exception;  // the text is in fault_
        return ok;
    }

    std::string_view joined(json::string_view last) {
        if (pieces_.empty()) return {last.data(), last.size()};
        pieces_.append(last.data(), last.size());
        return pieces_;
    }

    static bool written_negative(json::string_view raw) noexcept { return !raw.empty() && raw.front() == '-'; }

    std::string_view number_text(json::string_view raw) const noexcept {
        if (parsed_ == nullptr) return {raw.data(), raw.size()};
        return original_.substr(static_cast<std::size_t>(raw.data() - parsed_), raw.size());
    }

    // ---- Where the next element or member value of a frame goes ----------

    // Calls use(T&) with the target of the frame's next value. Fails on an
    // element beyond a fixed length.
    template <class Use>
    bool with_next(Document& d, Frame&, Use&& use) {
        return use(d.log);
    }

    template <class Record, class Use>
    bool with_next_field(Record& record, Frame& f, Use&& use) {
        if (!f.positional) {
            if (f.field == kNoField) return use(skipped_);
            return with_field(record, f.field, use);
        }
        const std::uint32_t i = f.count++;
        if (i >= kFieldCount<Record>) {
            return fault_(too_many_elements(kFieldCount<Record>, RecordShape<Record>::array_shape));
        }
        return with_field(record, i, use);
    }
    template <class Use>
    bool with_next(RawLog& log, Frame& f, Use&& use) {
        if (f.field == kKeptRef && !f.positional) return use(kept_ref_);
        if (f.field == kKeptScores && !f.positional) return use(kept_scores_);
        return with_next_field(log, f, use);
    }
    template <class Use>
    bool with_next(Rule& rule, Frame& f, Use&& use) {
        return with_next_field(rule, f, use);
    }

    template <class T, class Use>
        requires(kFixedLength<T> > 0)
    [[gnu::always_inline]] bool with_next(T& array, Frame& f, Use&& use) {
        const std::uint32_t i = f.count++;
        if (i >= kFixedLength<T>) return fault_(too_many_elements(kFixedLength<T>, length_shape<T>));
        return with_fixed_element(array, i, use);
    }

    template <class T, class Use>
    [[gnu::always_inline]] bool with_next(std::vector<T>& list, Frame&, Use&& use) {
        return use(grow(list));
    }

    template <class Use>
    bool with_next(ResultItem& details, Frame&, Use&& use) {
        return use(grow(details.details));
    }

    template <class Use>
    bool with_next(JsonValue& value, Frame&, Use&& use) {
        if (value.kind == JsonValue::Kind::Array) return use(value.array.emplace_back());
        return use(value.object.back().second);
    }

    template <class Use>
    bool with_next(KeptScores& scores, Frame&, Use&& use) {
        KeptScoreEntry entry{scores};
        return use(entry);
    }

    // Skipped and doomed values are taken apart by the calls below.
    template <class Use>
    bool with_next(Skipped&, Frame&, Use&&) {
        return true;
    }
    template <class Use>
    bool with_next(Doomed&, Frame&, Use&&) {
        return true;
    }

    // Appends a default element: room for a typical list at first, then
    // twice as much.
    template <class T>
    [[gnu::always_inline]] static T& grow(std::vector<T>& v) {
        if (v.size() == v.capacity()) make_room(v);
        // Tells the compiler what make_room ensured, so that the hot paths
        // carry no reallocation code of their own.
        if (v.size() >= v.capacity()) __builtin_unreachable();
        return v.emplace_back();
    }
    template <class T>
    [[gnu::noinline]] static void make_room(std::vector<T>& v) {
        v.reserve(std::max(v.size() + 1, v.capacity() == 0 ? kFirstCapacity<T> : 2 * v.capacity()));
    }

    // ---- Scalars ---------------------------------------------------------

    template <class Value>
    bool put(const Value& v) {
        Frame& f = frames_[top_];
        return f.target.visit([&](auto& container) { return put_in(container, f, v); });
    }
    // When the frame fills one of the Containers: puts `v` there, sets `ok`
    // and gives true.
    template <class... Containers, class Value>
    [[gnu::always_inline]] bool put_if_in(Frame& f, const Value& v, bool& ok) {
        return ((f.target.is<Containers>() && (ok = put_in(f.target.as<Containers>(), f, v), true)) || ...);
    }
    template <class Container, class Value>
    [[gnu::always_inline]] bool put_in(Container& container, Frame& f, const Value& v) {
        return with_next(container, f, [&](auto& target) { return detail::put(target, v, fault_); });
    }

    // ---- Arrays and objects ----------------------------------------------

    bool begin(bool is_array) {
        Frame& f = frames_[top_];
        // The elements of hands are most of the arrays opened.
        if (f.target.is<HandRecord>()) return begin_in(f.target.as<HandRecord>(), f, is_array);
        return f.target.visit([&](auto& container) { return begin_in(container, f, is_array); });
    }

    template <class Container>
    bool begin_in(Container& container, Frame& f, bool is_array) {
        return with_next(container, f, [&](auto& target) { return open(target, is_array); });
    }
    bool begin_in(Skipped&, Frame& f, bool) {
        ++f.count;
        return true;
    }
    bool begin_in(Doomed&, Frame& f, bool) {  // read whole first, so its levels count
        if (level_ >= kMaxModelLevel) return fault_(kRecursionLimit);
        ++level_;
        ++f.count;
        return true;
    }

    // Opens a frame for a value read into the model.
    template <class T>
    bool push(T& target, bool positional = false) {
        if (level_ >= kMaxModelLevel) return fault_(kRecursionLimit);
        ++level_;
        return push_frame(Frame(target, positional));
    }
    [[gnu::always_inline]] bool push_frame(Frame f) {
        if (top_ + 1 >= kMaxFrames) return fault_(kRecursionLimit);
        frames_[++top_] = f;
        return true;
    }

    // An array or object as the value of a target: records take both forms,
    // fixed-length arrays and lists only arrays; a scalar target neither.
    template <class T>
    bool open(T&, bool is_array) {
        return fault_(invalid_type(is_array ? kFoundArray : kFoundObject, shape_name<T>));
    }
    template <class T>
        requires(kFixedLength<T> > 0)
    bool open(T& target, bool is_array) {
        if (!is_array) return fault_(invalid_type(kFoundObject, shape_name<T>));
        return push(target);
    }
    template <class T>
    bool open(std::vector<T>& target, bool is_array) {
        if (!is_array) return fault_(invalid_type(kFoundObject, shape_name<std::vector<T>>));
        return push(target);
    }
    template <class T>
    bool open(std::optional<T>& target, bool is_array) {
        return open(target.emplace(), is_array);
    }
    bool open(RawLog& target, bool is_array) { return push(target, is_array); }
    bool open(Rule& target, bool is_array) { return push(target, is_array); }
    bool open(JsonValue& target, bool is_array) {
        target.kind = is_array ? JsonValue::Kind::Array : JsonValue::Kind::Object;
        return push(target);
    }
    bool open(ActionItem&, bool) { return open_doomed(doomed_action_); }
    bool open(ResultItem& target, bool is_array) {
        if (!is_array) return open_doomed(doomed_result_);
        target.kind = ResultItem::Kind::Details;
        return push(target);
    }
    bool open(KeptRef& kept, bool is_array) {
        kept.drop();
        return open(skipped_, is_array);
    }
    bool open(KeptScores& kept, bool is_array) {  // not counted as a level, as if skipped
        if (!is_array || !kept.begin()) {
            kept.drop();
            return open(skipped_, is_array);
        }
        return push_frame(Frame(kept));
    }
    bool open(KeptScoreEntry& entry, bool is_array) {
        entry.scores.other();
        return open(skipped_, is_array);
    }
    bool open(Skipped&, bool) {  // not counted as a level
        if (!push_frame(Frame(skipped_))) return false;
        frames_[top_].count = 1;
        return true;
    }
    bool open_doomed(Doomed& doomed) {
        if (!push(doomed)) return false;
        frames_[top_].count = 1;
        return true;
    }

    bool end(std::size_t n) {
        Frame& f = frames_[top_];
        return f.target.visit([&](auto& container) { return end_in(container, f, n); });
    }

    template <class Container>
    bool end_in(Container& container, Frame& f, std::size_t n) {
        if (!complete(container, f, n)) return false;
        --top_;
        --level_;
        return true;
    }
    bool end_in(Skipped&, Frame& f, std::size_t) {
        if (--f.count == 0) --top_;
        return true;
    }
    bool end_in(KeptScores&, Frame&, std::size_t) {
        --top_;
        return true;
    }
    bool end_in(Doomed& doomed, Frame& f, std::size_t) {
        --level_;
        if (--f.count != 0) return true;
        return fault_(doomed.mismatch);
    }

    // What must hold when an array or object closes after `n` elements.
    template <class T>
    bool complete(T&, Frame&, std::size_t n) {
        if constexpr (kFixedLength<T> > 0) {
            if (n < kFixedLength<T>) return fault_(invalid_length(n, length_shape<T>));
        }
        return true;
    }
    template <class Record>
    bool complete_record(Frame& f, std::size_t n) {
        if (f.positional) {
            if (n < RecordShape<Record>::min_elements) {
                return fault_(invalid_length(n, RecordShape<Record>::array_shape));
            }
            return true;
        }
        const std::string_view missing = missing_required<Record>(f.seen);
        return missing.empty() || fault_(missing_field(missing));
    }
    bool complete(RawLog&, Frame& f, std::size_t n) { return complete_record<RawLog>(f, n); }
    bool complete(Rule&, Frame& f, std::size_t n) { return complete_record<Rule>(f, n); }
    bool complete(ResultItem& item, Frame&, std::size_t) {
        settle_result_array(item);
        return true;
    }

    // ---- Keys ----------------------------------------------------------------

    bool key(std::string_view k) {
        Frame& f = frames_[top_];
        return f.target.visit([&](auto& container) { return key_in(container, f, k); });
    }

    // Keys of records are matched to fields; a field given twice fails
    // before its second value is read.
    template <class Record>
    bool note_field(Frame& f, std::string_view k) {
        f.field = field_index<Record>(k);
        if (f.field == kNoField) return true;
        const std::uint32_t bit = 1u << f.field;
        if (f.seen & bit) return fault_(duplicate_field(k));
        f.seen |= bit;
        return true;
    }
    bool key_in(RawLog&, Frame& f, std::string_view k) {
        if (!note_field<RawLog>(f, k)) return false;
        if (f.field == kNoField) f.field = kept_field(k);
        return true;
    }
    bool key_in(Rule&, Frame& f, std::string_view k) { return note_field<Rule>(f, k); }
    bool key_in(JsonValue& value, Frame&, std::string_view k) {
        value.object.emplace_back().first.assign(k);
        return true;
    }
    // Only records, generic values and skipped or doomed values are read
    // from objects; the keys of the last two are dropped.
    template <class Container>
    bool key_in(Container&, Frame&, std::string_view) {
        return true;
    }

    Document document_;
    Skipped skipped_;
    KeptRef kept_ref_;
    KeptScores kept_scores_;
    Doomed doomed_action_{kActionItemMismatch};
    Doomed doomed_result_{kResultItemMismatch};
    // The open frames, bottom first: the document, one per counted level and
    // one for a skipped value at most, so the stack never grows.
    static constexpr std::size_t kMaxFrames = kMaxModelLevel + 2;
    std::vector<Frame> frames_;
    std::size_t top_ = 0;
    std::uint32_t level_ = 0;  // arrays and objects open in counted frames
    std::string pieces_;
    Fault fault_;
    std::string_view original_;
    const char* parsed_ = nullptr;
};

}  // namespace ripaion::tenhou::detail
