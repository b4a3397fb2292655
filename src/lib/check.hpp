// The module's check(data) -> list[Problem]: replays an mjai stream.
#pragma once

#include <Python.h>

namespace ripaion::py {

// The Problem type (a struct sequence: line, kind, message), made once when
// the module is created; null with an exception set on failure.
PyObject* make_problem_type();

// METH_O entry. `data` is the stream as bytes-like or str, or its lines as
// a list or tuple of str (or bytes-like). Never lets a C++ exception reach
// the interpreter.
PyObject* check(PyObject* module, PyObject* data) noexcept;

inline constexpr const char* kCheckDoc =
    "check(data)\n--\n\n"
    "Replay the mjai stream `data` and return its first problem as a list of at most one Problem.";

}  // namespace ripaion::py
