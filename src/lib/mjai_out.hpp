// Writing the event lines to the output file or to standard output.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ripaion/result.hpp"

namespace ripaion::py {

// All event lines, each followed by its line feed, back to back; line i is
// stream[starts[i], starts[i + 1] - 1) and starts.back() == stream.size().
struct EncodedLines {
    std::string stream;
    std::vector<std::size_t> starts{0};

    std::size_t count() const noexcept { return starts.size() - 1; }
    std::string_view line(std::size_t i) const noexcept {
        return std::string_view(stream).substr(starts[i], starts[i + 1] - starts[i] - 1);
    }
};

enum class OutputFailure { Create, Write };

// `path` is the raw path bytes. A path equal to "-" writes to descriptor 1,
// one line at a time under a process-wide lock; a closed descriptor 1
// discards the lines. Any other path is created or truncated, then written;
// on a write failure what was written stays.
Result<std::monostate, OutputFailure> write_mjai_out(std::string_view path, const EncodedLines& lines);

}  // namespace ripaion::py
