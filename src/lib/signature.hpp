// Binding the vector-call arguments of a function with a fixed signature:
// some parameters by position or keyword, the rest by keyword only, with
// Python's own messages for calls that do not fit.
#pragma once

#include <Python.h>

#include <cstddef>

namespace ripaion::py {

struct Signature {
    const char* display_name;         // "convert()"
    const char* const* names;         // every parameter, positional ones first
    std::size_t count;                // number of parameters
    std::size_t positional;           // how many may be given by position
    std::size_t required;             // the first `required` must be given
};

// Fills `out[i]` (borrowed; null when not given) for each parameter. False
// with a TypeError set when the arguments do not fit the signature.
bool bind_signature(const Signature& sig, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                    PyObject** out);

}  // namespace ripaion::py
