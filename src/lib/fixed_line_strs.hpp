// The Python str of each fixed event line, made on first need and kept for
// the rest of the process, so that a result list holds new references to
// these few hundred objects instead of a new str per draw and discard.
// Strings are immutable: a caller sees the same text either way. The module
// lives in one interpreter only, and every call holds the interpreter lock,
// so the cache needs no lock of its own.
#pragma once

#include <Python.h>

#include "ripaion/mjai/fixed_lines.hpp"

namespace ripaion::py {

// A new reference to the line's str, or null with an exception set.
PyObject* new_fixed_line_ref(mjai::FixedLineId id);

}  // namespace ripaion::py
