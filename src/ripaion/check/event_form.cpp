#include "ripaion/check/event_form.hpp"

#include <array>
#include <cstdint>
#include <limits>
#include <string>

#include "ripaion/utf8.hpp"

namespace ripaion::check {
namespace {

constexpr std::uint32_t bits(std::initializer_list<Field> fields) {
    std::uint32_t b = 0;
    for (Field f : fields) b |= field_bit(f);
    return b;
}

struct Form {
    std::uint32_t required;
    std::uint32_t optional;
    std::uint8_t consumed;  // length of `consumed` when required
};

constexpr std::array<Form, mjai::kEventKindCount> kForms = [] {
    using F = Field;
    std::array<Form, mjai::kEventKindCount> f{};
    const auto at = [&](EventKind t) -> Form& { return f[static_cast<std::size_t>(t)]; };
    at(EventKind::StartGame) = {bits({F::Names}), bits({F::KyokuFirst, F::AkaFlag}), 0};
    at(EventKind::StartKyoku) = {bits({F::Bakaze, F::DoraMarker, F::Kyoku, F::Honba, F::Kyotaku, F::Oya, F::Scores,
                                       F::Tehais}),
                                 0, 0};
    at(EventKind::Tsumo) = {bits({F::Actor, F::Pai}), 0, 0};
    at(EventKind::Dahai) = {bits({F::Actor, F::Pai, F::Tsumogiri}), 0, 0};
    at(EventKind::Chi) = {bits({F::Actor, F::Target, F::Pai, F::Consumed}), 0, 2};
    at(EventKind::Pon) = {bits({F::Actor, F::Target, F::Pai, F::Consumed}), 0, 2};
    at(EventKind::Daiminkan) = {bits({F::Actor, F::Target, F::Pai, F::Consumed}), 0, 3};
    at(EventKind::Kakan) = {bits({F::Actor, F::Pai, F::Consumed}), 0, 3};
    at(EventKind::Ankan) = {bits({F::Actor, F::Consumed}), 0, 4};
    at(EventKind::Dora) = {bits({F::DoraMarker}), 0, 0};
    at(EventKind::Reach) = {bits({F::Actor}), 0, 0};
    at(EventKind::ReachAccepted) = {bits({F::Actor}), 0, 0};
    at(EventKind::Hora) = {bits({F::Actor, F::Target}), bits({F::Deltas, F::UraMarkers}), 0};
    at(EventKind::Ryukyoku) = {0, bits({F::Deltas}), 0};
    return f;
}();

Finding field_problem(const LineEvent& e, Field f, std::string_view what) {
    std::string m(event_type_name(e.type));
    m += "'s ";
    m += field_name(f);
    m += ' ';
    m += what;
    return {ProblemKind::Field, std::move(m)};
}

// What is wrong with a present, well-read member, if anything.
std::optional<std::string_view> range_problem(const LineEvent& e, Field f, std::uint8_t consumed) {
    const auto seat = [](std::int64_t v) { return v >= 0 && v <= 3; };
    const auto count = [](std::int64_t v) { return v >= 0 && v <= 255; };
    const auto points = [](const auto& list, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            if (list[i] < std::numeric_limits<std::int32_t>::min() || list[i] > std::numeric_limits<std::int32_t>::max())
                return false;
        }
        return true;
    };
    switch (f) {
        case Field::Actor: return seat(e.actor) ? std::nullopt : std::optional<std::string_view>("is not a seat 0 to 3");
        case Field::Target: return seat(e.target) ? std::nullopt : std::optional<std::string_view>("is not a seat 0 to 3");
        case Field::Oya: return seat(e.oya) ? std::nullopt : std::optional<std::string_view>("is not a seat 0 to 3");
        case Field::KyokuFirst:
        case Field::Kyoku:
        case Field::Honba:
        case Field::Kyotaku: {
            const std::int64_t v = f == Field::KyokuFirst ? e.kyoku_first
                                   : f == Field::Kyoku    ? e.kyoku
                                   : f == Field::Honba    ? e.honba
                                                          : e.kyotaku;
            return count(v) ? std::nullopt : std::optional<std::string_view>("is not a count 0 to 255");
        }
        case Field::Names:
            return e.names_size == 4 ? std::nullopt : std::optional<std::string_view>("is not a list of four texts");
        case Field::Scores:
            if (e.scores_size != 4 || !points(e.scores, 4)) return "is not a list of four points";
            return std::nullopt;
        case Field::Deltas:
            if (e.deltas_size != 4 || !points(e.deltas, 4)) return "is not a list of four points";
            return std::nullopt;
        case Field::Consumed:
            if (e.consumed_size != consumed) {
                static constexpr std::array<std::string_view, 5> kLengths = {
                    "", "", "is not a list of two tiles", "is not a list of three tiles", "is not a list of four tiles"};
                return kLengths[consumed < 5 ? consumed : 0];
            }
            return std::nullopt;
        case Field::Tehais: {
            bool rows_ok = e.rows == 4;
            for (std::size_t r = 0; r < 4; ++r) rows_ok = rows_ok && e.row_sizes[r] == 13;
            return rows_ok ? std::nullopt : std::optional<std::string_view>("is not four rows of 13 tiles");
        }
        case Field::Bakaze: {
            const auto i = mjai::tile_index(e.bakaze);
            return i >= 27 && i <= 30 ? std::nullopt : std::optional<std::string_view>("is not a wind");
        }
        default: return std::nullopt;
    }
}

std::string_view malformed_text(Field f) {
    switch (f) {
        case Field::Pai:
        case Field::Bakaze:
        case Field::DoraMarker: return "is not a tile name";
        case Field::Consumed:
        case Field::UraMarkers: return "is not a list of tile names";
        case Field::Tehais: return "is not four rows of 13 tiles";
        case Field::Names: return "is not a list of four texts";
        case Field::Scores:
        case Field::Deltas: return "is not a list of four points";
        case Field::Tsumogiri:
        case Field::AkaFlag: return "is not true or false";
        default: return "is not an integer";
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
    const Form& form = kForms[static_cast<std::size_t>(e.type)];
    for (int i = 0; i < kFieldCount; ++i) {
        const auto f = static_cast<Field>(i);
        const auto bit = field_bit(f);
        if (!((form.required | form.optional) & bit)) continue;
        if (!(e.present & bit)) {
            if (form.required & bit) return field_problem(e, f, "is missing");
            continue;
        }
        if (e.duplicate & bit) return field_problem(e, f, "appears twice");
        if (e.malformed & bit) return field_problem(e, f, malformed_text(f));
        if (auto what = range_problem(e, f, form.consumed)) return field_problem(e, f, *what);
    }
    return std::nullopt;
}

}  // namespace ripaion::check
