#include "ripaion/check/event_form.hpp"

#include <array>
#include <string>

#include "ripaion/utf8.hpp"

namespace ripaion::check {
namespace {

using mjai::FieldKind;

Finding field_problem(const LineEvent& e, Field f, std::string_view what) {
    std::string m(event_type_name(e.type));
    m += "'s ";
    m += field_name(f);
    m += ' ';
    m += what;
    return {ProblemKind::Field, std::move(m)};
}

std::string number_word(std::size_t n) {
    static constexpr std::array<std::string_view, 5> kWords = {"zero", "one", "two", "three", "four"};
    return n < kWords.size() ? std::string(kWords[n]) : std::to_string(n);
}

// What a list of `length` elements of the field kind is, e.g. "a list of
// four points".
std::string list_text(FieldKind kind, std::size_t length) {
    switch (kind) {
        case FieldKind::Texts: return "a list of " + number_word(length) + " texts";
        case FieldKind::Points: return "a list of " + number_word(length) + " points";
        case FieldKind::Tiles: return "a list of " + number_word(length) + " tiles";
        case FieldKind::TileRows:
            return number_word(length) + " rows of " + std::to_string(mjai::kRowTiles) + " tiles";
        default: return {};
    }
}

// A member of the wrong JSON form.
std::string malformed_text(FieldKind kind, std::size_t length) {
    switch (kind) {
        case FieldKind::Tile:
        case FieldKind::Wind: return "is not a tile name";
        case FieldKind::Flag: return "is not true or false";
        case FieldKind::Seat:
        case FieldKind::Count: return "is not an integer";
        case FieldKind::Tiles: return "is not a list of tile names";
        default: return "is not " + list_text(kind, length);
    }
}

// A member of the right form whose value or length is not the kind's.
std::string range_text(FieldKind kind, std::size_t length) {
    switch (kind) {
        case FieldKind::Seat: return "is not a seat 0 to 3";
        case FieldKind::Count: return "is not a count 0 to 255";
        case FieldKind::Wind: return "is not a wind";
        default: return "is not " + list_text(kind, length);
    }
}

}  // namespace

std::optional<Finding> check_event_form(const LineEvent& e) {
    if (!e.has(Field::Type)) return Finding{ProblemKind::Field, "the event has no type"};
    if (e.bad(Field::Type) || e.duplicate & field_bit(Field::Type)) {
        return Finding{ProblemKind::Field, "the event's type is not one text"};
    }
    if (e.type == EventKind::None) return Finding{ProblemKind::Type, "none is not an event of a game"};
    if (e.type == kUnknownKind) {
        return Finding{ProblemKind::Type, "unknown event type \"" + utf8_lossy(e.unknown_type_text()) + "\""};
    }
    // The kind's members in the order they are written.
    for (const mjai::MemberUse& use : mjai::event_kind_row(e.type).members) {
        const Field f = use.member;
        const auto bit = field_bit(f);
        const FieldKind kind = mjai::field_kind(f);
        if (!(e.present & bit)) {
            if (mjai::always_read(use.presence)) return field_problem(e, f, "is missing");
            continue;
        }
        if (e.duplicate & bit) return field_problem(e, f, "appears twice");
        if (e.malformed & bit) return field_problem(e, f, malformed_text(kind, use.length));
        const bool wrong_length = use.length != 0 && e.size(f) != use.length;
        if ((e.out_of_range & bit) || wrong_length) return field_problem(e, f, range_text(kind, use.length));
    }
    return std::nullopt;
}

}  // namespace ripaion::check
