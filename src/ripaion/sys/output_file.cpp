#include "ripaion/sys/output_file.hpp"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "ripaion/sys/path_text.hpp"

namespace ripaion::sys {
namespace {

constexpr int kStandardOutput = 1;

std::mutex g_standard_output_lock;

Result<std::monostate, OutputFailure> write_standard_output(std::string_view text) {
    while (!text.empty()) {
        const void* feed = std::memchr(text.data(), '\n', text.size());
        const std::size_t n = feed ? static_cast<std::size_t>(static_cast<const char*>(feed) - text.data()) + 1
                                   : text.size();
        const std::string_view line = text.substr(0, n);
        text.remove_prefix(n);
        std::lock_guard<std::mutex> hold(g_standard_output_lock);
        auto written = write_all(kStandardOutput, line);
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

Result<std::monostate, OutputFailure> write_output(const std::string& path, std::string_view text,
                                                   InterruptCheck check) {
    if (names_standard_output(path)) return write_standard_output(text);
    auto file = create_for_writing(path, check);
    if (!file) return fail(file.error().stopped ? OutputFailure::Stopped : OutputFailure::Create);
    // Writing the text whole gives the same file as writing line after line,
    // with far fewer system calls; a failure keeps what reached the file.
    auto written = write_all(file.value().get(), text, check);
    if (!written) return fail(written.error().stopped ? OutputFailure::Stopped : OutputFailure::Write);
    if (!file.value().close_checked()) return fail(OutputFailure::Write);
    return std::monostate{};
}

}  // namespace ripaion::sys
