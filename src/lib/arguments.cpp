#include "arguments.hpp"

#include "py_ref.hpp"

namespace ripaion::py {
namespace {

constexpr const char* kDisplayName = "tenhou_to_mjai()";
constexpr Py_ssize_t kMaxPositional = 2;

// Raises TypeError("argument '<name>': " + text) with the given cause.
void raise_argument_type_error(const char* name, PyObject* text, PyObject* cause) {
    Ref message(PyUnicode_FromFormat("argument '%s': %S", name, text));
    if (!message) return;
    Ref error(PyObject_CallFunctionObjArgs(PyExc_TypeError, message.get(), nullptr));
    if (!error) return;
    if (cause) {
        Py_INCREF(cause);
        PyException_SetCause(error.get(), cause);
    }
    PyErr_SetObject(PyExc_TypeError, error.get());
}

// The pending TypeError of a failed conversion, raised again with the
// argument's name in front.
void rename_pending_type_error(const char* name) {
    PyObject *type = nullptr, *value = nullptr, *trace = nullptr;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    Ref owned_type(type), owned_value(value), owned_trace(trace);
    if (!value) {
        PyErr_SetString(PyExc_TypeError, "path conversion failed");
        return;
    }
    Ref text(PyObject_Str(value));
    if (!text) return;
    Ref cause(PyException_GetCause(value));
    raise_argument_type_error(name, text.get(), cause.get());
}

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

bool path_argument(PyObject* value, const char* name, std::string& out) {
    Ref path(PyOS_FSPath(value));
    if (!path) {
        if (PyErr_ExceptionMatches(PyExc_TypeError)) rename_pending_type_error(name);
        return false;
    }
    if (!PyUnicode_Check(path.get())) {
        Ref qualname(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(path.get())), "__qualname__"));
        if (!qualname) return false;
        Ref text(PyUnicode_FromFormat("'%S' object cannot be converted to 'PyString'", qualname.get()));
        if (!text) return false;
        raise_argument_type_error(name, text.get(), nullptr);
        return false;
    }
    Ref bytes(PyUnicode_EncodeFSDefault(path.get()));
    if (!bytes) return false;
    const char* data = PyBytes_AsString(bytes.get());
    if (!data) return false;
    out.assign(data, static_cast<std::size_t>(PyBytes_Size(bytes.get())));
    return true;
}

}  // namespace ripaion::py
