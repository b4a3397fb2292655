// Thin POSIX file helpers: a descriptor closed on every path, reading a
// file whole, writing a buffer whole. Failures are error numbers.
// An interrupted system call first runs the interpreter's signal handlers
// (the caller holds the interpreter lock), so that Ctrl-C ends a call that
// waits on a pipe or a slow device; it is retried unless a handler raised.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "ripaion/result.hpp"

namespace ripaion::py {

struct SystemError {
    int number;  // errno
    // A signal handler raised during an interruption (number is EINTR): its
    // exception is pending and is what the caller must report.
    bool handler_raised = false;
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
Result<FileDescriptor, SystemError> open_for_reading(const std::string& path);
// Creates the file (0666 less the umask) or truncates it.
Result<FileDescriptor, SystemError> create_for_writing(const std::string& path);

// The rest of the file from its current position. The size from the file's
// status is the first capacity (the descriptors passed here are just
// opened); reading goes on to end of file whatever that size said.
Result<std::string, SystemError> read_to_end(int fd);

// Writes every byte, retrying short writes and interruptions. A write that
// accepts nothing counts as a failure. Without `run_signal_handlers` an
// interruption is retried at once: for a caller holding a lock that a
// handler could take again.
Result<std::monostate, SystemError> write_all(int fd, std::string_view bytes, bool run_signal_handlers = true);

// The system's description of the error number, e.g. "Is a directory".
std::string system_error_text(int number);

}  // namespace ripaion::py
