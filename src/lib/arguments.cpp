#include "arguments.hpp"

#include "py_ref.hpp"

namespace ripaion::py {
namespace {

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
