// The Python list of event lines returned to the caller.
#pragma once

#include <Python.h>

#include "ripaion/conv/game_lines.hpp"

namespace ripaion::py {

// A new list of str, one per line, or null with an exception set.
PyObject* new_line_list(const conv::GameLines& lines);

}  // namespace ripaion::py
