// The module's exception types and the fault type, each created once per
// process on first need and kept until the process ends.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>

namespace ripaion::py {

enum class ModuleError { TenhouLogParsing, TenhouToMjai, JsonSerialization, JsonParsing };

inline constexpr ModuleError kModuleErrors[] = {ModuleError::TenhouLogParsing, ModuleError::TenhouToMjai,
                                                ModuleError::JsonSerialization, ModuleError::JsonParsing};

// The attribute name, e.g. "TenhouLogParsingError".
const char* module_error_name(ModuleError which) noexcept;

// A borrowed reference to the type; null with the fault exception set when
// the type cannot be created.
PyObject* module_error_type(ModuleError which);

// Raises the exception `type(message)`; always returns null.
PyObject* raise_with_message(PyObject* type, std::string_view message);
PyObject* raise_module_error(ModuleError which, std::string_view message);

// A broken invariant: raises the fault exception, derived from BaseException
// only, so that ordinary `except Exception` handlers do not swallow it.
PyObject* raise_internal_fault(std::string_view message);

// Replaces the pending Python error by a fault whose message is `prefix`,
// ": " and a description of that error.
PyObject* raise_internal_fault_from_current(std::string_view prefix);

// "TypeName: text" of the pending error, which stays pending.
std::string describe_current_error();

}  // namespace ripaion::py
