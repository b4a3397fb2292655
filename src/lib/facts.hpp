// Rules the package's Python side needs as well as the library: the format
// a log's first bytes tell, the gzip level range and the path of standard
// output. Decided here once and read by the Python side, never copied there.
#pragma once

#include <Python.h>

namespace ripaion::py {

// METH_O entries, outside __all__ (the package's own helpers):
// detect_format(head) -> "tenhou6" or "mjlog", as format="auto" tells it;
// names_standard_output(path) -> bool, as mjai_out="-" is taken.
PyObject* detect_format(PyObject* module, PyObject* head) noexcept;
PyObject* names_standard_output(PyObject* module, PyObject* path) noexcept;

// Adds the functions above and MIN_GZIP_LEVEL / MAX_GZIP_LEVEL to the
// module; false with an exception set.
bool add_facts(PyObject* module);

}  // namespace ripaion::py
