// The call's arguments: binding the vector-call arguments of
// tenhou_to_mjai(filename, mjai_out=None), and turning a path argument (str
// or os.PathLike giving str) into the bytes passed to the system, as
// os.fsencode would.
#pragma once

#include <Python.h>

#include <string>

namespace ripaion::py {

struct BoundArguments {
    PyObject* filename = nullptr;  // borrowed
    PyObject* mjai_out = nullptr;  // borrowed; null when not given
};

// False with a TypeError set when the arguments do not fit the signature.
bool bind_arguments(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames, BoundArguments& out);

// False with an exception set. A TypeError from the conversion is raised
// again as "argument '<name>': <text>" keeping the original's __cause__;
// other errors (an unencodable str) propagate unchanged.
bool path_argument(PyObject* value, const char* name, std::string& out);

}  // namespace ripaion::py
