#include "call_args.hpp"

namespace ripaion::py {
namespace {

constexpr const char* kDisplayName = "tenhou_to_mjai()";
constexpr Py_ssize_t kMaxPositional = 2;

}  // namespace

bool bind_arguments(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames, BoundArguments& out) {
    const Py_ssize_t positional = PyVectorcall_NARGS(nargsf);
    if (positional > kMaxPositional) {
        PyErr_Format(PyExc_TypeError, "%s takes from %d to %d positional arguments but %zd were given",
                     kDisplayName, 1, 2, positional);
        return false;
    }
    out.filename = positional > 0 ? args[0] : nullptr;
    out.mjai_out = positional > 1 ? args[1] : nullptr;

    const Py_ssize_t keywords = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t i = 0; i < keywords; ++i) {
        PyObject* name = PyTuple_GET_ITEM(kwnames, i);
        PyObject* value = args[positional + i];
        PyObject** target = nullptr;
        const char* parameter = nullptr;
        // Keyword names are always str; the comparison is exact, code point
        // by code point, which is byte equality of their UTF-8 forms.
        if (PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, "filename") == 0) {
            target = &out.filename;
            parameter = "filename";
        } else if (PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, "mjai_out") == 0) {
            target = &out.mjai_out;
            parameter = "mjai_out";
        } else {
            PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'", kDisplayName, name);
            return false;
        }
        if (*target) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", kDisplayName, parameter);
            return false;
        }
        *target = value;
    }

    if (!out.filename) {
        PyErr_Format(PyExc_TypeError, "%s missing %d required %s argument: '%s'", kDisplayName, 1, "positional",
                     "filename");
        return false;
    }
    return true;
}

}  // namespace ripaion::py
