// The module's exceptions: its own types (each created once per process on
// first need and kept until the process ends), the fault type, and the one
// table from each failure of the library to the exception it raises.
#pragma once

#include <Python.h>

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/sys/output_file.hpp"

namespace ripaion::py {

enum class ModuleError { TenhouLogParsing, TenhouToMjai, JsonSerialization, JsonParsing, MjlogParsing };

inline constexpr ModuleError kModuleErrors[] = {ModuleError::TenhouLogParsing, ModuleError::TenhouToMjai,
                                                ModuleError::JsonSerialization, ModuleError::JsonParsing,
                                                ModuleError::MjlogParsing};

// The attribute name, e.g. "TenhouLogParsingError".
const char* module_error_name(ModuleError which) noexcept;

// A borrowed reference to the type; null with the fault exception set when
// the type cannot be created.
PyObject* module_error_type(ModuleError which);

// Raises the exception `type(message)`; always returns null.
PyObject* raise_with_message(PyObject* type, std::string_view message);

// The exception of each failure; all return null.
PyObject* raise_failure(const pipeline::Failure& failure);
// The log file could not be opened (whatever the cause) or read.
PyObject* raise_open_failure(std::string_view log_path, pipeline::InputFormat format);
PyObject* raise_read_failure(int error_number);
// The output could not be created or written (not for OutputFailure::Stopped,
// whose exception is already pending).
PyObject* raise_output_failure(sys::OutputFailure failure, std::string_view out_path);

// The interrupt check of the file helpers: runs the interpreter's signal
// handlers after an interrupted system call (the caller holds the
// interpreter lock); true when one raised, whose exception is then pending.
inline bool signal_handler_raised() { return PyErr_CheckSignals() != 0; }

// A broken invariant: raises the fault exception, derived from BaseException
// only, so that ordinary `except Exception` handlers do not swallow it.
PyObject* raise_internal_fault(std::string_view message);

// Runs an entry point's body; what it throws (an allocation failure or a
// broken invariant, since the library reports failures as values) becomes a
// Python exception, so no C++ exception reaches the interpreter.
template <class Body>
PyObject* catching_faults(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& fault) {
        return raise_internal_fault(fault.what());
    } catch (...) {
        return raise_internal_fault("unknown internal fault");
    }
}

// Replaces the pending Python error by a fault whose message is `prefix`,
// ": " and a description of that error.
PyObject* raise_internal_fault_from_current(std::string_view prefix);

// Runs `work` (plain C++, touching no Python object) with the interpreter
// lock released. Whatever it throws is carried out of the released block and
// thrown again once the lock is back, for catching_faults to raise.
template <class Work>
void without_lock(Work&& work) {
    std::exception_ptr fault;
    Py_BEGIN_ALLOW_THREADS
    try {
        work();
    } catch (...) {
        fault = std::current_exception();
    }
    Py_END_ALLOW_THREADS
    if (fault) std::rethrow_exception(fault);
}

}  // namespace ripaion::py
