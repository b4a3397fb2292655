#include "mjai_out.hpp"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "path_text.hpp"
#include "posix_file.hpp"

namespace ripaion::py {
namespace {

constexpr int kStandardOutput = 1;

// Lines from this module never interleave with each other on standard
// output, whichever thread or call writes them.
std::mutex g_standard_output_lock;

// The size of line i with its line feed.
std::size_t size_with_feed(const conv::GameLines& lines, std::size_t i) {
    const auto& slot = lines.slots[i];
    if (slot.size != 0) return slot.size + 1;
    return mjai::fixed_line_with_feed(static_cast<mjai::FixedLineId>(slot.start)).size();
}

Result<std::monostate, OutputFailure> write_standard_output(const conv::GameLines& lines, std::string_view bytes) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < lines.count(); ++i) {
        const std::size_t n = size_with_feed(lines, i);
        const std::string_view with_feed = bytes.substr(at, n);
        at += n;
        std::lock_guard<std::mutex> hold(g_standard_output_lock);
        // No signal handler runs under the lock: one that wrote lines here
        // itself would wait for the lock forever.
        auto written = write_all(kStandardOutput, with_feed, false);
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

std::string output_bytes(const conv::GameLines& lines) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines.count(); ++i) total += size_with_feed(lines, i);
    std::string out;
    out.resize(total);
    char* p = out.data();
    for (const auto& slot : lines.slots) {
        if (slot.size == 0) {
            const std::string_view line = mjai::fixed_line_with_feed(static_cast<mjai::FixedLineId>(slot.start));
            std::memcpy(p, line.data(), line.size());
            p += line.size();
        } else {
            std::memcpy(p, lines.text.data() + slot.start, slot.size);
            p += slot.size;
            *p++ = '\n';
        }
    }
    return out;
}

Result<std::monostate, OutputFailure> write_mjai_out(const std::string& path, const conv::GameLines& lines) {
    const std::string bytes = output_bytes(lines);
    if (names_standard_output(path)) return write_standard_output(lines, bytes);
    auto file = create_for_writing(path);
    if (!file) return fail(file.error().handler_raised ? OutputFailure::HandlerRaised : OutputFailure::Create);
    // The bytes are the lines with their line feeds in order, so writing
    // them whole gives the same file as writing line after line, with far
    // fewer system calls; a failure keeps what reached the file.
    auto written = write_all(file.value().get(), bytes);
    if (!written) return fail(written.error().handler_raised ? OutputFailure::HandlerRaised : OutputFailure::Write);
    if (!file.value().close_checked()) return fail(OutputFailure::Write);
    return std::monostate{};
}

}  // namespace ripaion::py
