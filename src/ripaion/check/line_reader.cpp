#include "ripaion/check/line_reader.hpp"

#include <cstring>
#include <limits>

#include <boost/json/basic_parser_impl.hpp>

namespace ripaion::check {
namespace {

namespace json = boost::json;

// Event lines nest three levels (object, tehais, row); members the replay
// does not read may nest deeper, up to this bound, which also bounds the
// parser's recursion.
constexpr std::size_t kMaxDepth = 32;

class EventSaxHandler {
public:
    static constexpr std::size_t max_array_size = std::size_t(-1);
    static constexpr std::size_t max_object_size = std::size_t(-1);
    static constexpr std::size_t max_string_size = std::size_t(-1);
    static constexpr std::size_t max_key_size = std::size_t(-1);

    void start(LineEvent* event) noexcept {
        ev_ = event;
        ev_->clear();
        depth_ = 0;
        field_ = Field::Other;
        text_size_ = 0;
        error_ = {};
    }
    std::string_view error() const noexcept { return error_; }

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) { return true; }

    bool on_object_begin(json::error_code&) {
        if (depth_ > 0) mark_bad();
        ++depth_;
        return true;
    }
    bool on_object_end(std::size_t, json::error_code&) {
        --depth_;
        return true;
    }
    bool on_array_begin(json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        ++depth_;
        if (depth_ == 2) {
            if (!is_list_field(field_)) mark_bad();
        } else if (depth_ == 3 && field_ == Field::Tehais) {
            if (ev_->rows >= 4) mark_bad();
        } else {
            mark_bad();
        }
        return true;
    }
    bool on_array_end(std::size_t n, json::error_code&) {
        if (depth_ == 3 && field_ == Field::Tehais && ev_->rows < 4) {
            ev_->row_sizes[ev_->rows] = static_cast<std::uint8_t>(n > 13 ? 14 : n);
            ++ev_->rows;
        }
        --depth_;
        return true;
    }

    bool on_key_part(json::string_view s, std::size_t, json::error_code&) {
        if (depth_ == 1) collect(s);
        return true;
    }
    bool on_key(json::string_view s, std::size_t, json::error_code&) {
        if (depth_ != 1) return true;
        collect(s);
        field_ = field_from_name(text());
        text_size_ = 0;
        if (field_ != Field::Other) {
            const auto bit = field_bit(field_);
            if (ev_->present & bit) ev_->duplicate |= bit;
            ev_->present |= bit;
        }
        return true;
    }

    bool on_string_part(json::string_view s, std::size_t, json::error_code&) {
        collect(s);
        return true;
    }
    bool on_string(json::string_view s, std::size_t, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        collect(s);
        // A longer text keeps its first bytes, which name no type or tile.
        put_text(text());
        text_size_ = 0;
        return true;
    }

    bool on_number_part(json::string_view, json::error_code&) { return true; }
    bool on_int64(std::int64_t i, json::string_view, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        put_int(i);
        return true;
    }
    bool on_uint64(std::uint64_t u, json::string_view, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        // Beyond every range the replay accepts; kept out of range, not wrapped.
        put_int(std::numeric_limits<std::int64_t>::max());
        (void)u;
        return true;
    }
    bool on_double(double, json::string_view, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        mark_bad();
        return true;
    }
    bool on_bool(bool b, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        if (depth_ == 1 && field_ == Field::Tsumogiri) {
            ev_->tsumogiri = b;
        } else if (depth_ == 1 && field_ == Field::AkaFlag) {
            ev_->aka_flag = b;
        } else {
            mark_bad();
        }
        return true;
    }
    bool on_null(json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        mark_bad();
        return true;
    }
    bool on_comment_part(json::string_view, json::error_code&) { return true; }
    bool on_comment(json::string_view, json::error_code&) { return true; }

private:
    // Longest text the replay reads whole: type names and tile names.
    static constexpr std::size_t kTextRoom = 24;

    static bool is_list_field(Field f) noexcept {
        return f == Field::Consumed || f == Field::Names || f == Field::Scores || f == Field::Tehais ||
               f == Field::Deltas || f == Field::UraMarkers;
    }

    bool refuse(json::error_code& ec) {
        error_ = "the line is not a JSON object";
        ec = json::error::exception;
        return false;
    }

    void mark_bad() noexcept {
        if (field_ != Field::Other) ev_->malformed |= field_bit(field_);
    }

    void collect(json::string_view s) noexcept {
        if (text_size_ < kTextRoom + 1) {
            const std::size_t n = std::min(s.size(), kTextRoom + 1 - text_size_);
            std::memcpy(text_buf_ + text_size_, s.data(), n);
        }
        text_size_ += s.size();
    }
    std::string_view text() const noexcept { return {text_buf_, std::min(text_size_, kTextRoom + 1)}; }

    // A tile read into `slot` if the text names one.
    void put_tile(std::string_view t, Tile& slot) noexcept {
        if (auto tile = mjai::tile_from_name(t)) {
            slot = *tile;
        } else {
            mark_bad();
        }
    }

    template <std::size_t N>
    void append_tile(std::string_view t, std::array<Tile, N>& list, std::uint8_t& size) noexcept {
        if (size >= N) {
            mark_bad();
            return;
        }
        put_tile(t, list[size]);
        ++size;
    }

    void put_text(std::string_view t) noexcept {
        if (depth_ == 1) {
            switch (field_) {
                case Field::Type:
                    ev_->type = event_type_from_name(t);
                    if (ev_->type == kUnknownKind) {
                        const std::size_t n = std::min(t.size(), ev_->type_text.size());
                        std::memcpy(ev_->type_text.data(), t.data(), n);
                        ev_->type_text_size = static_cast<std::uint8_t>(n);
                    }
                    return;
                case Field::Pai: return put_tile(t, ev_->pai);
                case Field::Bakaze: return put_tile(t, ev_->bakaze);
                case Field::DoraMarker: return put_tile(t, ev_->dora_marker);
                default: return mark_bad();
            }
        }
        if (depth_ == 2) {
            switch (field_) {
                case Field::Consumed: return append_tile(t, ev_->consumed, ev_->consumed_size);
                case Field::UraMarkers: return append_tile(t, ev_->ura_markers, ev_->ura_size);
                case Field::Names:
                    if (ev_->names_size < 255) ++ev_->names_size;
                    return;
                default: return mark_bad();
            }
        }
        if (depth_ == 3 && field_ == Field::Tehais && ev_->rows < 4) {
            return append_tile(t, ev_->tehais[ev_->rows], ev_->row_sizes[ev_->rows]);
        }
        mark_bad();
    }

    template <std::size_t N>
    void append_int(std::int64_t v, std::array<std::int64_t, N>& list, std::uint8_t& size) noexcept {
        if (size >= N) {
            mark_bad();
            return;
        }
        list[size++] = v;
    }

    void put_int(std::int64_t v) noexcept {
        if (depth_ == 1) {
            switch (field_) {
                case Field::Actor: ev_->actor = v; return;
                case Field::Target: ev_->target = v; return;
                case Field::KyokuFirst: ev_->kyoku_first = v; return;
                case Field::Kyoku: ev_->kyoku = v; return;
                case Field::Honba: ev_->honba = v; return;
                case Field::Kyotaku: ev_->kyotaku = v; return;
                case Field::Oya: ev_->oya = v; return;
                default: return mark_bad();
            }
        }
        if (depth_ == 2 && field_ == Field::Scores) return append_int(v, ev_->scores, ev_->scores_size);
        if (depth_ == 2 && field_ == Field::Deltas) return append_int(v, ev_->deltas, ev_->deltas_size);
        mark_bad();
    }

    LineEvent* ev_ = nullptr;
    std::size_t depth_ = 0;
    Field field_ = Field::Other;
    char text_buf_[kTextRoom + 1];
    std::size_t text_size_ = 0;
    std::string_view error_;
};

json::parse_options line_options() {
    json::parse_options o;
    o.max_depth = kMaxDepth;
    o.allow_comments = false;
    o.allow_trailing_commas = false;
    o.allow_invalid_utf8 = false;
    return o;
}

}  // namespace

struct LineReader::Impl {
    json::basic_parser<EventSaxHandler> parser{line_options()};
};

LineReader::LineReader() : impl_(std::make_unique<Impl>()) {}
LineReader::~LineReader() = default;

bool LineReader::read(std::string_view line, LineEvent& event, std::string& error) {
    auto& parser = impl_->parser;
    parser.reset();
    parser.handler().start(&event);
    json::error_code ec;
    const char* data = line.empty() ? "" : line.data();
    const std::size_t used = parser.write_some(false, data, line.size(), ec);
    if (ec) {
        const std::string_view own = parser.handler().error();
        if (!own.empty()) {
            error.assign(own);
        } else if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
            error = "empty line";
        } else {
            error = "not JSON (" + ec.message() + ")";
        }
        return false;
    }
    if (used != line.size()) {
        error = "text after the JSON object";
        return false;
    }
    return true;
}

}  // namespace ripaion::check
