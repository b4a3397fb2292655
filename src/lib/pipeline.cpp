#include "pipeline.hpp"

#include <optional>
#include <utility>

#include "ripaion/conv/game_driver.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace ripaion::py {
namespace {

Result<conv::ConvertedGame, PipelineFailure> game_of(std::string text) {
    std::optional<tenhou::RawLog> log;
    {
        auto parsed = tenhou::parse_raw_log_bytes(text);
        if (!parsed) return fail(parsed.error().not_utf8 ? PipelineFailure::NotUtf8 : PipelineFailure::Parse);
        log.emplace(std::move(parsed).value());
    }
    std::string().swap(text);
    auto converted = conv::convert_game(std::move(*log));
    if (!converted) {
        return fail(converted.error().kind == conv::ConvertErrorKind::TenhouLogParsing ? PipelineFailure::InvalidLog
                                                                                      : PipelineFailure::Convert);
    }
    return std::move(converted).value();
}

}  // namespace

Result<conv::GameLines, PipelineFailure> convert_log_text(std::string text) {
    auto game = game_of(std::move(text));
    if (!game) return fail(game.error());
    // Encoded within this scope so that the game is freed before the caller
    // builds the Python list from the lines.
    auto lines = conv::encode_game(game.value());
    if (!lines) return fail(PipelineFailure::Serialize);
    return std::move(lines).value();
}

}  // namespace ripaion::py
