// The library's part of a call: log text -> model -> events -> event lines.
#pragma once

#include <string>

#include "mjai_out.hpp"
#include "ripaion/result.hpp"

namespace ripaion::py {

enum class PipelineFailure {
    Parse,      // the text is not a valid log document
    InvalidLog, // the log is read but refused by the conversion
    Convert,    // a hand's events cannot be rebuilt
    Serialize,  // an event cannot be encoded
};

// Takes the text by value so that it is released as soon as it is parsed;
// the event list is released once every line is encoded.
Result<EncodedLines, PipelineFailure> convert_log_text(std::string text);

}  // namespace ripaion::py
