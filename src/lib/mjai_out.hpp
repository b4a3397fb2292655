// Writing the event lines to the output file or to standard output.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "ripaion/conv/game_lines.hpp"
#include "ripaion/result.hpp"

namespace ripaion::py {

enum class OutputFailure {
    Create,
    Write,
    HandlerRaised,  // a signal handler's exception is pending
};

// `path` is the raw path bytes. A path equal to "-" writes to descriptor 1,
// one line at a time under a process-wide lock; a closed descriptor 1
// discards the lines. Any other path is created or truncated, then written;
// on a write failure what was written stays.
Result<std::monostate, OutputFailure> write_mjai_out(const std::string& path, const conv::GameLines& lines);

// Every line followed by its line feed, back to back: the bytes the output
// receives.
std::string output_bytes(const conv::GameLines& lines);

}  // namespace ripaion::py
