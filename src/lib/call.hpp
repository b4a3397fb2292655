// The module's functions: tenhou_to_mjai(filename, mjai_out=None) and
// mjlog_to_mjai(filename, mjai_out=None) -> list[str], one per input format.
#pragma once

#include <Python.h>

namespace ripaion::py {

// Vector-call entry (METH_FASTCALL | METH_KEYWORDS). Never lets a C++
// exception reach the interpreter.
PyObject* tenhou_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;

inline constexpr const char* kTenhouToMjaiDoc = "tenhou_to_mjai(filename, mjai_out=None)\n--\n\n";

PyObject* mjlog_to_mjai(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;

inline constexpr const char* kMjlogToMjaiDoc = "mjlog_to_mjai(filename, mjai_out=None)\n--\n\n";

}  // namespace ripaion::py
