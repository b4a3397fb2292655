#include "pipeline.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "ripaion/conv/convert.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace ripaion::py {
namespace {

// A typical event line is a few dozen bytes; start_kyoku lines are longer.
constexpr std::size_t kExpectedLineBytes = 48;

Result<std::vector<mjai::Event>, PipelineFailure> events_of(std::string text) {
    std::optional<tenhou::RawLog> log;
    {
        auto parsed = tenhou::parse_raw_log(text);
        if (!parsed) return fail(PipelineFailure::Parse);
        log.emplace(std::move(parsed).value());
    }
    std::string().swap(text);
    auto converted = conv::convert_log(std::move(*log));
    if (!converted) {
        return fail(converted.error().kind == conv::ConvertErrorKind::TenhouLogParsing ? PipelineFailure::InvalidLog
                                                                                      : PipelineFailure::Convert);
    }
    return std::move(converted).value();
}

Result<EncodedLines, PipelineFailure> encode_all(const std::vector<mjai::Event>& events) {
    EncodedLines lines;
    lines.stream.reserve(events.size() * kExpectedLineBytes);
    lines.starts.reserve(events.size() + 1);
    for (const mjai::Event& event : events) {
        if (!mjai::encode_event(event, lines.stream)) return fail(PipelineFailure::Serialize);
        lines.stream.push_back('\n');
        lines.starts.push_back(lines.stream.size());
    }
    return lines;
}

}  // namespace

Result<EncodedLines, PipelineFailure> convert_log_text(std::string text) {
    auto events = events_of(std::move(text));
    if (!events) return fail(events.error());
    // Encoded within this scope so that the events are freed before the
    // caller builds the Python list from the lines.
    std::vector<mjai::Event> owned = std::move(events).value();
    return encode_all(owned);
}

}  // namespace ripaion::py
