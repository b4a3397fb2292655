// Turns a parsed Tenhou log into the converted game: every event in order,
// in compact form (game_events.hpp), with the hands they refer to.
#pragma once

#include "ripaion/conv/game_events.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// Which Python exception a conversion failure maps to at the module boundary.
enum class ConvertErrorKind {
    TenhouLogParsing,  // "invalid log"
    TenhouToMjai,      // "failed to convert <label> log to mjai"
};

struct ConvertError {
    ConvertErrorKind kind;
};

Result<ConvertedGame, ConvertError> convert_game(model::RawLog log);

}  // namespace ripaion::conv
