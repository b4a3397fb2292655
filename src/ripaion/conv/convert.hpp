// Turns a parsed Tenhou log into the complete, ordered list of mjai events.
#pragma once

#include <vector>

#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"
#include "ripaion/tenhou/raw_log.hpp"

namespace ripaion::conv {

// Which Python exception a conversion failure maps to at the module boundary.
enum class ConvertErrorKind {
    TenhouLogParsing,  // "invalid log"
    TenhouToMjai,      // "failed to convert <label> log to mjai"
};

struct ConvertError {
    ConvertErrorKind kind;
};

Result<std::vector<mjai::Event>, ConvertError> convert_log(tenhou::RawLog log);

}  // namespace ripaion::conv
