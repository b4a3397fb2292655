// libFuzzer target: arbitrary bytes through the shipped pipeline (reader,
// conversion engine, encoder), checking the invariants every successful
// call must keep, the stream checker's among them. The bytes go to the
// reader of the format they show (an mjlog record: a UTF-16 mark or a tag
// first; gzip: what it holds once decompressed; else a JSON log).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>

#include "ripaion/check/stream_check.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/utf8.hpp"

namespace {

using ripaion::check::ProblemKind;

// The outcome of hand number `hand` of the log, as the conversion derives it.
template <class Test>
bool hand_outcome_is(std::string_view bytes, ripaion::pipeline::InputFormat format, std::size_t hand, Test test) {
    auto log = ripaion::pipeline::read_log(bytes, format);
    if (!log.ok()) return false;
    auto game = ripaion::conv::convert_game(std::move(log).value());
    if (!game.ok() || hand >= game.value().hands.size()) return false;
    const auto* win = std::get_if<ripaion::conv::HoraOutcome>(&game.value().hands[hand].outcome);
    return win && test(*win);
}

// What the checker may find in a conversion: the log's own damage in the
// game it transcribes (a fifth tile, scores that do not follow, a discard of
// a tile not held, a call the hand cannot make), a hand closed without its
// result where the log lists no usable win, and a win's seats beyond 0 to 3
// where the log's win details give them (they are written as they are).
// Never a line of the wrong form or a frame the conversion broke.
bool converter_fault(const ripaion::check::Problem& p, const ripaion::conv::GameLines& lines, std::string_view bytes,
                     ripaion::pipeline::InputFormat format) {
    if (p.kind != ProblemKind::Json && p.kind != ProblemKind::Type && p.kind != ProblemKind::Field &&
        p.kind != ProblemKind::Frame) {
        return false;
    }
    if (p.line < 1 || p.line > lines.count()) return true;
    std::size_t hands = 0;
    for (std::size_t i = 0; i < p.line; ++i) hands += lines.line(i).rfind("{\"type\":\"start_kyoku\",", 0) == 0;
    if (hands == 0) return true;
    const std::string_view line = lines.line(p.line - 1);
    if (p.kind == ProblemKind::Frame && line == "{\"type\":\"end_kyoku\"}") {
        return !hand_outcome_is(bytes, format, hands - 1, [](const auto& win) { return win.wins.empty(); });
    }
    if (p.kind == ProblemKind::Field && line.rfind("{\"type\":\"hora\",", 0) == 0) {
        return !hand_outcome_is(bytes, format, hands - 1, [](const auto& win) {
            for (const auto& w : win.wins)
                if (w.actor > 3 || w.target > 3) return true;
            return false;
        });
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ripaion::pipeline::Failure;
    using ripaion::pipeline::InputFormat;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const InputFormat format = ripaion::pipeline::detect_input_format(bytes);
    // Compressed bytes go to the reader of what they hold: either's failures.
    const bool xml = format != InputFormat::TenhouJson;
    auto lines = ripaion::pipeline::convert(bytes, format);
    // Taking what the log says about its game changes neither the outcome
    // nor the text, and its placements are the places 1 to 4.
    ripaion::model::GameInfo info;
    const auto with_info = ripaion::pipeline::convert(bytes, format, &info);
    if (with_info.ok() != lines.ok()) std::abort();
    if (!lines.ok() && !(with_info.error() == lines.error())) std::abort();
    if (lines.ok() && ripaion::pipeline::output_text(with_info.value()) != ripaion::pipeline::output_text(lines.value()))
        std::abort();
    if (info.placements) {
        unsigned seen = 0;
        for (const auto place : *info.placements) seen |= 1u << place;
        if (seen != 0b11110) std::abort();
    }
    if (!lines.ok()) {
        // Only a record that is not well-formed says why, and it always does.
        if ((lines.error() == Failure::MjlogParse) == lines.error().reason.empty()) std::abort();
        if (format == InputFormat::Gzip) return 0;
        if (xml) {
            // The XML reader has failures of its own, never the JSON reader's.
            if (lines.error() == Failure::NotUtf8 || lines.error() == Failure::Parse) std::abort();
            return 0;
        }
        // Bytes that are not UTF-8 fail as such, whatever else is wrong.
        if ((lines.error() == Failure::NotUtf8) == ripaion::utf8_valid(bytes)) std::abort();
        if (lines.error() == Failure::MjlogParse) std::abort();
        return 0;
    }
    if (!xml && !ripaion::utf8_valid(bytes)) std::abort();
    const auto& got = lines.value();
    if (got.count() < 2) std::abort();
    if (got.line(0).rfind("{\"type\":\"start_game\",", 0) != 0) std::abort();
    if (got.line(got.count() - 1) != "{\"type\":\"end_game\"}") std::abort();
    std::string joined;
    for (std::size_t i = 0; i < got.count(); ++i) {
        const std::string_view line = got.line(i);
        if (line.size() < 2 || line.front() != '{' || line.back() != '}') std::abort();
        if (line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos) std::abort();
        if (!ripaion::utf8_valid(line)) std::abort();
        joined.append(line).push_back('\n');
    }
    if (ripaion::pipeline::output_text(got) != joined) std::abort();
    if (const auto problem = ripaion::check::check_stream(joined)) {
        if (converter_fault(*problem, got, bytes, format)) std::abort();
    }
    return 0;
}
