// Raising the interpreter's OSError family for system errors.
#pragma once

#include <Python.h>

namespace ripaion::py {

// The OSError subclass for an error number met while reading the log.
PyObject* read_error_type(int number) noexcept;

// Raises read_error_type(number) with the message
// "<system description> (os error <number>)"; always returns null.
PyObject* raise_read_error(int number);

}  // namespace ripaion::py
