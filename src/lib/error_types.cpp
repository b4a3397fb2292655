#include "error_types.hpp"

#include "py_ref.hpp"

namespace ripaion::py {
namespace {

// Created under the interpreter lock and never released: every raise and
// every import sees the same type objects.
PyObject* g_module_error_types[4] = {nullptr, nullptr, nullptr, nullptr};
PyObject* g_internal_fault_type = nullptr;

const char* qualified_name(ModuleError which) noexcept {
    switch (which) {
        case ModuleError::TenhouLogParsing: return "_ripaion.TenhouLogParsingError";
        case ModuleError::TenhouToMjai: return "_ripaion.TenhouToMjaiError";
        case ModuleError::JsonSerialization: return "_ripaion.JsonSerializationError";
        case ModuleError::JsonParsing: return "_ripaion.JsonParsingError";
    }
    return "_ripaion.UnknownError";
}

PyObject* internal_fault_type() {
    if (!g_internal_fault_type)
        g_internal_fault_type = PyErr_NewException("ripaion_rs.InternalFault", PyExc_BaseException, nullptr);
    return g_internal_fault_type;
}

std::string utf8_of(PyObject* text) {
    if (!text) return {};
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(text, &size);
    if (!data) {
        PyErr_Clear();
        return "<text not representable>";
    }
    return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

const char* module_error_name(ModuleError which) noexcept {
    switch (which) {
        case ModuleError::TenhouLogParsing: return "TenhouLogParsingError";
        case ModuleError::TenhouToMjai: return "TenhouToMjaiError";
        case ModuleError::JsonSerialization: return "JsonSerializationError";
        case ModuleError::JsonParsing: return "JsonParsingError";
    }
    return "UnknownError";
}

PyObject* module_error_type(ModuleError which) {
    PyObject*& slot = g_module_error_types[static_cast<int>(which)];
    if (!slot) {
        // No documentation, ValueError the only base, no class dictionary.
        slot = PyErr_NewExceptionWithDoc(qualified_name(which), nullptr, PyExc_ValueError, nullptr);
        if (!slot) return raise_internal_fault_from_current("Failed to initialize new exception type.");
    }
    return slot;
}

PyObject* raise_with_message(PyObject* type, std::string_view message) {
    Ref text(PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (!text) return nullptr;
    // A one-element args tuple: the message is the only argument.
    PyErr_SetObject(type, text.get());
    return nullptr;
}

PyObject* raise_module_error(ModuleError which, std::string_view message) {
    PyObject* type = module_error_type(which);
    if (!type) return nullptr;
    return raise_with_message(type, message);
}

PyObject* raise_internal_fault(std::string_view message) {
    PyObject* type = internal_fault_type();
    if (!type) return nullptr;
    return raise_with_message(type, message);
}

std::string describe_current_error() {
    PyObject *type = nullptr, *value = nullptr, *trace = nullptr;
    PyErr_Fetch(&type, &value, &trace);
    if (!type) return "unknown error";
    PyErr_NormalizeException(&type, &value, &trace);
    std::string out = type && PyType_Check(type) ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "error";
    if (value) {
        Ref text(PyObject_Str(value));
        if (text) {
            const std::string s = utf8_of(text.get());
            if (!s.empty()) out += ": " + s;
        } else {
            PyErr_Clear();
        }
    }
    PyErr_Restore(type, value, trace);
    return out;
}

PyObject* raise_internal_fault_from_current(std::string_view prefix) {
    std::string message(prefix);
    message += ": ";
    message += describe_current_error();
    PyErr_Clear();
    return raise_internal_fault(message);
}

}  // namespace ripaion::py
