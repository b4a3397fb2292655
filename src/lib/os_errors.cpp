#include "os_errors.hpp"

#include <cerrno>
#include <cstdio>
#include <string>

#include "error_types.hpp"
#include "posix_file.hpp"

namespace ripaion::py {

PyObject* read_error_type(int number) noexcept {
    switch (number) {
        case ENOENT: return PyExc_FileNotFoundError;
        case EPERM:
        case EACCES: return PyExc_PermissionError;
        case ECONNREFUSED: return PyExc_ConnectionRefusedError;
        case ECONNRESET: return PyExc_ConnectionResetError;
        case ECONNABORTED: return PyExc_ConnectionAbortedError;
        case EPIPE: return PyExc_BrokenPipeError;
        case EEXIST: return PyExc_FileExistsError;
        case EAGAIN: return PyExc_BlockingIOError;
        case ETIMEDOUT: return PyExc_TimeoutError;
        case EINTR: return PyExc_InterruptedError;
        default: return PyExc_OSError;
    }
}

PyObject* raise_read_error(int number) {
    // snprintf rather than std::to_string: the latter's digit table is a
    // unique global symbol that would be exported from the module.
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " (os error %d)", number);
    const std::string message = system_error_text(number) + suffix;
    return raise_with_message(read_error_type(number), message);
}

}  // namespace ripaion::py
