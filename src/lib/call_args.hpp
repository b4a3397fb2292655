// Binding the vector-call arguments of tenhou_to_mjai(filename, mjai_out=None).
#pragma once

#include <Python.h>

namespace ripaion::py {

struct BoundArguments {
    PyObject* filename = nullptr;  // borrowed
    PyObject* mjai_out = nullptr;  // borrowed; null when not given
};

// False with a TypeError set when the arguments do not fit the signature.
bool bind_arguments(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames, BoundArguments& out);

}  // namespace ripaion::py
