// The log given in memory: bytes, str (as UTF-8) or any object with the
// buffer protocol, made into bytes that stay unchanged while the interpreter
// lock is released.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>

#include "py_ref.hpp"

namespace ripaion::py {

struct LogBytes {
    // bytes and str are immutable: their own storage is read, kept alive by
    // `owner`. Any other buffer may be changed by another thread at any time
    // (a read-only view of a bytearray too), so it is copied into `copy`.
    Ref owner;
    std::string_view borrowed;
    std::string copy;
    bool copied = false;

    std::string_view view() const noexcept { return copied ? std::string_view(copy) : borrowed; }
};

// False with an exception set: TypeError naming `function` for another
// type, UnicodeEncodeError for a str holding lone surrogates, or the
// buffer's own error.
bool log_bytes_argument(PyObject* data, const char* function, LogBytes& out);

}  // namespace ripaion::py
