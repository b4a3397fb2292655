#include "errors.hpp"

#include <cerrno>
#include <cstdio>
#include <iterator>

#include "py_ref.hpp"
#include "ripaion/source_format.hpp"
#include "ripaion/sys/path_text.hpp"
#include "ripaion/sys/posix_file.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::py {
namespace {

// Created under the interpreter lock and never released: every raise and
// every import sees the same type objects.
PyObject* g_module_error_types[std::size(kModuleErrors)] = {};
PyObject* g_internal_fault_type = nullptr;

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

// A message whose "{}" stands for the input format's label.
std::string labelled(std::string_view message) {
    std::string out(message);
    if (const auto at = out.find("{}"); at != std::string::npos) out.replace(at, 2, kSourceFormatLabel);
    return out;
}

template <ModuleError which>
PyObject* module_type() {
    return module_error_type(which);
}
PyObject* os_error_type() { return PyExc_OSError; }

// Each failure of a conversion, its exception type and message.
struct FailureRow {
    pipeline::FailureKind failure;
    PyObject* (*type)();  // borrowed; null with an exception set
    std::string_view message;
};
constexpr FailureRow kFailureRows[] = {
    {pipeline::Failure::NotUtf8, os_error_type, "stream did not contain valid UTF-8"},
    {pipeline::Failure::Parse, module_type<ModuleError::JsonParsing>, "failed to parse {} log"},
    {pipeline::Failure::InvalidLog, module_type<ModuleError::TenhouLogParsing>, "invalid log"},
    {pipeline::Failure::Convert, module_type<ModuleError::TenhouToMjai>, "failed to convert {} log to mjai"},
    {pipeline::Failure::Serialize, module_type<ModuleError::JsonSerialization>, "failed to serialize"},
    {pipeline::Failure::MjlogParse, module_type<ModuleError::MjlogParsing>, "failed to parse mjlog"},
};
static_assert(std::size(kFailureRows) == pipeline::kFailureCount, "one row per failure");
constexpr bool rows_in_failure_order() {
    for (int i = 0; i < pipeline::kFailureCount; ++i)
        if (static_cast<int>(kFailureRows[i].failure) != i) return false;
    return true;
}
static_assert(rows_in_failure_order(), "row i is failure i");

// The OSError subclass of an error number met while reading the log.
struct ErrnoRow {
    int number;
    PyObject* const* type;
};
const ErrnoRow kReadErrnoRows[] = {
    {ENOENT, &PyExc_FileNotFoundError},     {EPERM, &PyExc_PermissionError},
    {EACCES, &PyExc_PermissionError},       {ECONNREFUSED, &PyExc_ConnectionRefusedError},
    {ECONNRESET, &PyExc_ConnectionResetError}, {ECONNABORTED, &PyExc_ConnectionAbortedError},
    {EPIPE, &PyExc_BrokenPipeError},        {EEXIST, &PyExc_FileExistsError},
    {EAGAIN, &PyExc_BlockingIOError},       {ETIMEDOUT, &PyExc_TimeoutError},
    {EINTR, &PyExc_InterruptedError},
};

// "TypeName: text" of the pending error, which stays pending.
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

PyObject* read_error_type(int number) noexcept {
    for (const ErrnoRow& row : kReadErrnoRows)
        if (row.number == number) return *row.type;
    return PyExc_OSError;
}

}  // namespace

const char* module_error_name(ModuleError which) noexcept {
    switch (which) {
        case ModuleError::TenhouLogParsing: return "TenhouLogParsingError";
        case ModuleError::TenhouToMjai: return "TenhouToMjaiError";
        case ModuleError::JsonSerialization: return "JsonSerializationError";
        case ModuleError::JsonParsing: return "JsonParsingError";
        case ModuleError::MjlogParsing: return "MjlogParsingError";
    }
    return "UnknownError";
}

PyObject* module_error_type(ModuleError which) {
    PyObject*& slot = g_module_error_types[static_cast<int>(which)];
    if (!slot) {
        // No documentation, ValueError the only base, no class dictionary.
        const std::string qualified = std::string("_ripaion.") + module_error_name(which);
        slot = PyErr_NewExceptionWithDoc(qualified.c_str(), nullptr, PyExc_ValueError, nullptr);
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

PyObject* raise_failure(const pipeline::Failure& failure) {
    const int i = static_cast<int>(failure.kind);
    if (i < 0 || i >= pipeline::kFailureCount) return raise_internal_fault("unknown conversion failure");
    const FailureRow& row = kFailureRows[i];
    PyObject* type = row.type();
    if (!type) return nullptr;
    std::string message = labelled(row.message);
    // The reason quotes the record's own text: made valid UTF-8 here, so
    // that no record can make the message itself fail.
    if (!failure.reason.empty()) message += ": " + utf8_lossy(failure.reason);
    return raise_with_message(type, message);
}

PyObject* raise_open_failure(std::string_view log_path, pipeline::InputFormat format) {
    // Whatever the cause, the caller is told which file could not be opened;
    // the path is quoted so that it reads back exactly.
    const std::string what =
        format == pipeline::InputFormat::Mjlog ? "failed to open mjlog file " : labelled("failed to open {} log file ");
    return raise_with_message(PyExc_FileNotFoundError, what + sys::quoted_path(log_path));
}

PyObject* raise_read_failure(int error_number) {
    // snprintf rather than std::to_string: the latter's digit table is a
    // unique global symbol that would be exported from the module.
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, " (os error %d)", error_number);
    return raise_with_message(read_error_type(error_number), sys::system_error_text(error_number) + suffix);
}

PyObject* raise_output_failure(sys::OutputFailure failure, std::string_view out_path) {
    switch (failure) {
        case sys::OutputFailure::Create:
            return raise_with_message(PyExc_OSError, "failed to create mjai out file " + sys::plain_path(out_path));
        case sys::OutputFailure::Write: return raise_with_message(PyExc_OSError, "failed to write to mjai out file");
        case sys::OutputFailure::Stopped: break;
    }
    if (PyErr_Occurred()) return nullptr;
    return raise_internal_fault("output stopped without an exception");
}

PyObject* raise_internal_fault(std::string_view message) {
    PyObject* type = internal_fault_type();
    if (!type) return nullptr;
    return raise_with_message(type, message);
}

PyObject* raise_internal_fault_from_current(std::string_view prefix) {
    std::string message(prefix);
    message += ": ";
    message += describe_current_error();
    PyErr_Clear();
    return raise_internal_fault(message);
}

}  // namespace ripaion::py
