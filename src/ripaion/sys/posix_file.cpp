#include "ripaion/sys/posix_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace ripaion::sys {
namespace {

// The failure of a system call that set `number`, or nothing when the call
// is to be retried: an interruption that the check lets go on.
std::optional<SystemError> failure_of(int number, InterruptCheck check) {
    if (number != EINTR) return SystemError{number};
    if (check && check()) return SystemError{EINTR, true};
    return std::nullopt;
}

Result<FileDescriptor, SystemError> open_path(const std::string& path, int flags, mode_t mode, InterruptCheck check) {
    // The system takes the bytes up to a NUL; a path holding one would name
    // a shorter path.
    if (path.find('\0') != std::string::npos) return fail(SystemError{ENOENT});
    for (;;) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
        if (fd >= 0) return FileDescriptor(fd);
        if (auto failure = failure_of(errno, check)) return fail(*failure);
    }
}

// The two flavours of strerror_r: GNU returns the text, XSI fills the buffer.
[[maybe_unused]] const char* error_text_of(const char* gnu_result, const char*) { return gnu_result; }
[[maybe_unused]] const char* error_text_of(int xsi_result, const char* buffer) {
    return xsi_result == 0 ? buffer : nullptr;
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    // The descriptor is released whatever close reports; retrying could
    // close a descriptor that another thread has just been given.
    if (fd_ >= 0) ::close(fd_);
}

Result<std::monostate, SystemError> FileDescriptor::close_checked() noexcept {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) return fail(SystemError{errno});
    return std::monostate{};
}

Result<FileDescriptor, SystemError> open_for_reading(const std::string& path, InterruptCheck check) {
    return open_path(path, O_RDONLY, 0, check);
}

Result<FileDescriptor, SystemError> create_for_writing(const std::string& path, InterruptCheck check) {
    return open_path(path, O_WRONLY | O_CREAT | O_TRUNC, 0666, check);
}

Result<std::string, SystemError> read_to_end(int fd, InterruptCheck check) {
    // The whole size, not less the position: the descriptors read here are
    // just opened, at their start, and one system call fewer counts when a
    // log takes tens of microseconds.
    std::size_t hint = 0;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) hint = static_cast<std::size_t>(st.st_size);
    std::string text;
    // One byte past the expected size, so that a file that is exactly as
    // large as announced needs no growth before its end-of-file read.
    text.resize(hint > 0 ? hint + 1 : 8192);
    std::size_t filled = 0;
    for (;;) {
        if (filled == text.size()) text.resize(text.size() < 8192 ? 8192 : text.size() * 2);
        const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
        if (got > 0) {
            filled += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (auto failure = failure_of(errno, check)) {
            return fail(*failure);
        }
    }
    text.resize(filled);
    return text;
}

Result<std::monostate, SystemError> write_all(int fd, std::string_view bytes, InterruptCheck check) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(put));
        } else if (put == 0) {
            return fail(SystemError{EIO});
        } else if (auto failure = failure_of(errno, check)) {
            return fail(*failure);
        }
    }
    return std::monostate{};
}

std::string system_error_text(int number) {
    char buffer[256];
    buffer[0] = '\0';
    const char* text = error_text_of(::strerror_r(number, buffer, sizeof buffer), buffer);
    if (text && *text) return text;
    std::snprintf(buffer, sizeof buffer, "Unknown error %d", number);
    return buffer;
}

}  // namespace ripaion::sys
