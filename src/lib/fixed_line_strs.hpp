// The Python str of each fixed event line, made on first need and kept for
// the rest of the process, so that a result list holds new references to
// these few hundred objects instead of a new str per draw and discard.
// Strings are immutable: a caller sees the same text either way. The module
// lives in one interpreter only, and every call holds the interpreter lock,
// so the cache needs no lock of its own.
#pragma once

#include <Python.h>

#include <array>

#include "ripaion/mjai/fixed_lines.hpp"

namespace ripaion::py {

namespace detail {
// Never released: the module cannot be unloaded from the interpreter that
// owns it.
inline std::array<PyObject*, mjai::kFixedLineCount> g_fixed_strs{};
// Makes and keeps the line's str; a borrowed reference, or null with an
// exception set.
PyObject* make_fixed_line_str(mjai::FixedLineId id);
}  // namespace detail

// A new reference to the line's str (id < kFixedLineCount), or null with an
// exception set.
inline PyObject* new_fixed_line_ref(mjai::FixedLineId id) {
    PyObject* text = detail::g_fixed_strs[id];
    if (!text) {
        text = detail::make_fixed_line_str(id);
        if (!text) return nullptr;
    }
    Py_INCREF(text);
    return text;
}

}  // namespace ripaion::py
