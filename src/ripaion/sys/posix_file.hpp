// Thin POSIX file helpers: a descriptor closed on every path, reading a
// file whole, writing a buffer whole. Failures are error numbers.
// An interrupted system call asks the caller's interrupt check whether to
// stop (the module runs the interpreter's signal handlers there, so that
// Ctrl-C ends a call that waits on a pipe or a slow device); otherwise, and
// without a check, the call is retried.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "ripaion/result.hpp"

namespace ripaion::sys {

// Called after a system call was interrupted by a signal: true stops the
// operation (it fails with EINTR and `stopped`), false retries the call.
using InterruptCheck = bool (*)();

struct SystemError {
    int number;  // errno
    // The interrupt check asked to stop (number is EINTR); whatever made it
    // stop (a pending Python exception) is what the caller must report.
    bool stopped = false;
};

class FileDescriptor {
public:
    FileDescriptor() noexcept = default;
    explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    ~FileDescriptor();

    int get() const noexcept { return fd_; }
    // Closes now and reports the outcome: on some file systems a failed
    // close is the only sign that written data did not reach the file.
    Result<std::monostate, SystemError> close_checked() noexcept;

private:
    int fd_ = -1;
};

// The path is passed to the system as it is; one holding a NUL byte cannot
// name a file and fails with ENOENT rather than naming a shorter path.
Result<FileDescriptor, SystemError> open_for_reading(const std::string& path, InterruptCheck check = nullptr);
// Creates the file (0666 less the umask) or truncates it.
Result<FileDescriptor, SystemError> create_for_writing(const std::string& path, InterruptCheck check = nullptr);

// The rest of the file from its current position. The size from the file's
// status is the first capacity (the descriptors passed here are just
// opened); reading goes on to end of file whatever that size said.
Result<std::string, SystemError> read_to_end(int fd, InterruptCheck check = nullptr);

// Writes every byte, retrying short writes and interruptions. A write that
// accepts nothing counts as a failure.
Result<std::monostate, SystemError> write_all(int fd, std::string_view bytes, InterruptCheck check = nullptr);

// The system's description of the error number, e.g. "Is a directory".
std::string system_error_text(int number);

}  // namespace ripaion::sys
