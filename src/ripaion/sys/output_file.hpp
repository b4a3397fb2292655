// Writing a conversion's text (lines, each ended by a line feed) to the
// output path, or to standard output for "-".
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "ripaion/result.hpp"
#include "ripaion/sys/posix_file.hpp"

namespace ripaion::sys {

enum class OutputFailure {
    Create,
    Write,
    Stopped,  // the interrupt check asked to stop
};

// `path` is the raw path bytes. A path naming standard output (see
// names_standard_output) writes to descriptor 1 one line at a time under a
// process-wide lock, so that lines of concurrent calls never interleave; a
// closed descriptor 1 discards the lines, and interruptions there are
// retried without asking `check` (a check that wrote lines itself would
// wait for the lock forever). Any other path is created or truncated, then
// written whole; on a write failure what was written stays.
Result<std::monostate, OutputFailure> write_output(const std::string& path, std::string_view text,
                                                   InterruptCheck check = nullptr);

}  // namespace ripaion::sys
