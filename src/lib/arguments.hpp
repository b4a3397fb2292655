// A path argument (str or os.PathLike giving str) turned into the bytes
// passed to the system, as os.fsencode would.
#pragma once

#include <Python.h>

#include <string>

namespace ripaion::py {

// False with an exception set. A TypeError from the conversion is raised
// again as "argument '<name>': <text>" keeping the original's __cause__;
// other errors (an unencodable str) propagate unchanged.
bool path_argument(PyObject* value, const char* name, std::string& out);

}  // namespace ripaion::py
