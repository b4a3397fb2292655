#include "signature.hpp"

namespace ripaion::py {

bool bind_signature(const Signature& sig, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                    PyObject** out) {
    const Py_ssize_t given = PyVectorcall_NARGS(nargsf);
    const auto positional = static_cast<Py_ssize_t>(sig.positional);
    if (given > positional) {
        const auto required = static_cast<Py_ssize_t>(sig.required);
        if (required < positional) {
            PyErr_Format(PyExc_TypeError, "%s takes from %zd to %zd positional arguments but %zd %s given",
                         sig.display_name, required, positional, given, given == 1 ? "was" : "were");
        } else {
            PyErr_Format(PyExc_TypeError, "%s takes %zd positional argument%s but %zd %s given", sig.display_name,
                         positional, positional == 1 ? "" : "s", given, given == 1 ? "was" : "were");
        }
        return false;
    }
    for (std::size_t i = 0; i < sig.count; ++i) out[i] = static_cast<Py_ssize_t>(i) < given ? args[i] : nullptr;

    const Py_ssize_t keywords = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        PyObject* name = PyTuple_GET_ITEM(kwnames, k);
        std::size_t i = 0;
        while (i < sig.count && !(PyUnicode_Check(name) && PyUnicode_CompareWithASCIIString(name, sig.names[i]) == 0))
            ++i;
        if (i == sig.count) {
            PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'", sig.display_name, name);
            return false;
        }
        if (out[i]) {
            PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", sig.display_name,
                         sig.names[i]);
            return false;
        }
        out[i] = args[given + k];
    }
    for (std::size_t i = 0; i < sig.required; ++i) {
        if (!out[i]) {
            PyErr_Format(PyExc_TypeError, "%s missing 1 required %sargument: '%s'", sig.display_name,
                         i < sig.positional ? "positional " : "keyword-only ", sig.names[i]);
            return false;
        }
    }
    return true;
}

}  // namespace ripaion::py
