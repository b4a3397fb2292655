#include "ripaion/check/line_reader.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <span>

#include <boost/json/basic_parser_impl.hpp>

namespace ripaion::check {
namespace {

namespace json = boost::json;

// Event lines nest three levels (object, tehais, row); members the replay
// does not read may nest deeper, up to this bound, which also bounds the
// parser's recursion.
constexpr std::size_t kMaxDepth = 32;

using mjai::FieldKind;

// The most elements each list member keeps: its longest use in the table,
// else the replay's room for it; 0 when any number is read (and not kept).
constexpr std::array<std::size_t, mjai::kMemberCount + 1> kListCapacity = [] {
    std::array<std::size_t, mjai::kMemberCount + 1> cap{};
    for (std::size_t m = 0; m < mjai::kMemberCount; ++m) {
        const auto f = static_cast<Field>(m);
        cap[m] = mjai::longest_use(f);
        if (cap[m] == 0 && f == Field::UraMarkers) cap[m] = kMaxUraMarkers;
    }
    return cap;  // kOtherField: 0
}();
constexpr std::size_t list_capacity(Field f) noexcept { return kListCapacity[mjai::member_index(f)]; }

constexpr std::uint8_t saturated(std::size_t n) noexcept { return static_cast<std::uint8_t>(n < 255 ? n : 255); }

// Every member is read by its field kind (event_kinds.hpp): the value's JSON
// form is checked here, and its range where the kind has one; the form of
// the line's event kind (which members, which lengths) is checked later.
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
        field_ = kOtherField;
        text_size_ = 0;
        error_ = {};
    }
    std::string_view error() const noexcept { return error_; }

    bool on_document_begin(json::error_code&) { return true; }
    bool on_document_end(json::error_code&) {
        // The counts the replay reads with the lists it keeps.
        if (ev_->has(Field::Consumed)) {
            ev_->consumed_size = std::min<std::uint8_t>(ev_->size(Field::Consumed), ev_->consumed.size());
        }
        if (ev_->has(Field::UraMarkers)) {
            ev_->ura_size = std::min<std::uint8_t>(ev_->size(Field::UraMarkers), ev_->ura_markers.size());
        }
        return true;
    }

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
            if (!mjai::is_list(kind_)) mark_bad();
            index_ = 0;
        } else if (depth_ == 3 && kind_ == FieldKind::TileRows) {
            if (!room_for(index_)) mark_bad();
            row_ = index_++;
            row_index_ = 0;
        } else {
            mark_bad();
        }
        return true;
    }
    bool on_array_end(std::size_t n, json::error_code&) {
        if (depth_ == 2 && field_ != kOtherField) {
            ev_->sizes[mjai::member_index(field_)] = saturated(n);
        } else if (depth_ == 3 && kind_ == FieldKind::TileRows && n != mjai::kRowTiles) {
            mark_out_of_range();
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
        // A member the table does not name is read as no list, and kept nowhere.
        kind_ = field_ != kOtherField ? mjai::field_kind(field_) : FieldKind::Kind;
        if (field_ != kOtherField) {
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
        if (field_ != kOtherField) put_text(text());
        text_size_ = 0;
        return true;
    }

    bool on_number_part(json::string_view, json::error_code&) { return true; }
    bool on_int64(std::int64_t i, json::string_view, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        if (field_ != kOtherField) put_int(i);
        return true;
    }
    bool on_uint64(std::uint64_t u, json::string_view, json::error_code& ec) {
        if (depth_ == 0) return refuse(ec);
        // Beyond every range the replay accepts; kept out of range, not wrapped.
        if (field_ != kOtherField) put_int(std::numeric_limits<std::int64_t>::max());
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
        if (depth_ == 1 && kind_ == FieldKind::Flag && field_ != kOtherField) {
            if (const auto slot = flag_slot(field_)) ev_->*slot = b;
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

    bool refuse(json::error_code& ec) {
        error_ = "the line is not a JSON object";
        ec = json::error::exception;
        return false;
    }

    void mark_bad() noexcept {
        if (field_ != kOtherField) ev_->malformed |= field_bit(field_);
    }
    void mark_out_of_range() noexcept {
        if (field_ != kOtherField) ev_->out_of_range |= field_bit(field_);
    }

    // Whether element i of the current list member is within its capacity.
    bool room_for(std::size_t i) const noexcept {
        const std::size_t cap = list_capacity(field_);
        return cap == 0 || i < cap;
    }

    void collect(json::string_view s) noexcept {
        if (text_size_ < kTextRoom + 1) {
            const std::size_t n = std::min(s.size(), kTextRoom + 1 - text_size_);
            std::memcpy(text_buf_ + text_size_, s.data(), n);
        }
        text_size_ += s.size();
    }
    std::string_view text() const noexcept { return {text_buf_, std::min(text_size_, kTextRoom + 1)}; }

    // The tile the text names, or empty (and the member malformed).
    std::optional<Tile> tile_of(std::string_view t) noexcept {
        auto tile = mjai::tile_from_name(t);
        if (!tile) mark_bad();
        return tile;
    }

    // Appends a tile to the current list (or row of tehais) at `i`.
    void append_tile(std::string_view t, std::size_t i, std::size_t cap, std::size_t row) noexcept {
        const auto tile = tile_of(t);
        if (cap != 0 && i >= cap) return mark_bad();
        const std::span<Tile> slot = tile_list_slot(*ev_, field_, row);
        if (tile && i < slot.size()) slot[i] = *tile;
    }

    void put_text(std::string_view t) noexcept {
        if (depth_ == 1) {
            switch (kind_) {
                case FieldKind::Kind:
                    ev_->type = event_type_from_name(t);
                    if (ev_->type == kUnknownKind) {
                        const std::size_t n = std::min(t.size(), ev_->type_text.size());
                        std::memcpy(ev_->type_text.data(), t.data(), n);
                        ev_->type_text_size = static_cast<std::uint8_t>(n);
                    }
                    return;
                case FieldKind::Tile:
                case FieldKind::Wind: {
                    const auto tile = tile_of(t);
                    if (!tile) return;
                    if (const auto slot = tile_slot(field_)) ev_->*slot = *tile;
                    const auto i = mjai::tile_index(*tile);
                    if (kind_ == FieldKind::Wind && !(i >= mjai::tile_index(mjai::kEastTile) &&
                                                      i <= mjai::tile_index(mjai::kNorthTile))) {
                        mark_out_of_range();
                    }
                    return;
                }
                default: return mark_bad();
            }
        }
        if (depth_ == 2) {
            const std::size_t i = index_++;
            switch (kind_) {
                case FieldKind::Tiles: return append_tile(t, i, list_capacity(field_), 0);
                case FieldKind::Texts:
                    if (!room_for(i)) mark_bad();
                    return;
                default: return mark_bad();
            }
        }
        if (depth_ == 3 && kind_ == FieldKind::TileRows) return append_tile(t, row_index_++, mjai::kRowTiles, row_);
        mark_bad();
    }

    void put_int(std::int64_t v) noexcept {
        if (depth_ == 1) {
            switch (kind_) {
                case FieldKind::Seat:
                case FieldKind::Count: {
                    const std::int64_t most = kind_ == FieldKind::Seat ? 3 : 255;
                    if (v < 0 || v > most) mark_out_of_range();
                    if (const auto slot = number_slot(field_)) ev_->*slot = v;
                    return;
                }
                default: return mark_bad();
            }
        }
        if (depth_ == 2 && kind_ == FieldKind::Points) {
            const std::size_t i = index_++;
            if (!room_for(i)) return mark_bad();
            if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
                mark_out_of_range();
            }
            const std::span<std::int64_t> slot = point_list_slot(*ev_, field_);
            if (i < slot.size()) slot[i] = v;
            return;
        }
        mark_bad();
    }

    LineEvent* ev_ = nullptr;
    std::size_t depth_ = 0;
    Field field_ = kOtherField;
    FieldKind kind_ = FieldKind::Kind;
    std::size_t index_ = 0;      // the next element of the current list member
    std::size_t row_ = 0;        // tehais: the row being read
    std::size_t row_index_ = 0;  // and its next tile
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
