#include "mjai_out.hpp"

#include <cerrno>
#include <mutex>

#include "path_text.hpp"
#include "posix_file.hpp"

namespace ripaion::py {
namespace {

constexpr int kStandardOutput = 1;

// Lines from this module never interleave with each other on standard
// output, whichever thread or call writes them.
std::mutex g_standard_output_lock;

Result<std::monostate, OutputFailure> write_standard_output(const EncodedLines& lines) {
    for (std::size_t i = 0; i < lines.count(); ++i) {
        const std::string_view with_feed =
            std::string_view(lines.stream).substr(lines.starts[i], lines.starts[i + 1] - lines.starts[i]);
        std::lock_guard<std::mutex> hold(g_standard_output_lock);
        auto written = write_all(kStandardOutput, with_feed);
        if (!written) {
            // A process started without standard output has nowhere to show
            // the lines; that is not the caller's failure.
            if (written.error().number == EBADF) return std::monostate{};
            return fail(OutputFailure::Write);
        }
    }
    return std::monostate{};
}

}  // namespace

Result<std::monostate, OutputFailure> write_mjai_out(std::string_view path, const EncodedLines& lines) {
    if (names_standard_output(path)) return write_standard_output(lines);
    auto file = create_for_writing(path);
    if (!file) return fail(OutputFailure::Create);
    // The stream is the lines with their line feeds in order, so writing it
    // whole gives the same bytes as writing line after line, with far fewer
    // system calls; a failure keeps what reached the file.
    if (!write_all(file.value().get(), lines.stream)) return fail(OutputFailure::Write);
    if (!file.value().close_checked()) return fail(OutputFailure::Write);
    return std::monostate{};
}

}  // namespace ripaion::py
