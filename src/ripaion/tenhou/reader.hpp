// Reads the JSON text of a Tenhou log into the model, enforcing every
// acceptance rule of the format (strict syntax, shapes, ranges, tile codes).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::tenhou {

// A reading failure. The diagnostic is for tests and debugging only; it is
// never shown to the Python caller.
struct ReadError {
    std::string message;
    std::size_t offset = 0;  // byte offset in the text where reading stopped
    std::size_t line = 0;    // 1-based position of that offset
    std::size_t column = 0;  // 1-based, in bytes
};

Result<model::RawLog, ReadError> parse_raw_log(std::string_view text);

// Bytes that must be UTF-8 text before they are anything else: a failure
// says whether they were not UTF-8 (then nothing else is checked) or, as
// parse_raw_log, what else is wrong.
struct BytesReadError {
    bool not_utf8 = false;
    ReadError read;  // when the bytes are UTF-8
};
Result<model::RawLog, BytesReadError> parse_raw_log_bytes(std::string_view bytes);

}  // namespace ripaion::tenhou
