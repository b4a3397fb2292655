// The library's part of a call: log text -> model -> events -> event lines.
#pragma once

#include <string>

#include "ripaion/conv/game_lines.hpp"
#include "ripaion/result.hpp"

namespace ripaion::py {

enum class PipelineFailure {
    NotUtf8,    // the bytes are not UTF-8 text
    Parse,      // the text is not a valid log document
    InvalidLog, // the log is read but refused by the conversion
    Convert,    // a hand's events cannot be rebuilt
    Serialize,  // an event cannot be encoded
};

// Takes the file's bytes by value so that they are released as soon as they
// are parsed; the game's events are released once every line is encoded.
// Bytes that are not UTF-8 fail as such, whatever else is wrong with them.
Result<conv::GameLines, PipelineFailure> convert_log_text(std::string text);

}  // namespace ripaion::py
