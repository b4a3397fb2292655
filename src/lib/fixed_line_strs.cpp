#include "fixed_line_strs.hpp"

#include <array>
#include <cstring>

#include "error_types.hpp"

namespace ripaion::py {
namespace {

// Never released: the module cannot be unloaded from the interpreter that
// owns it.
std::array<PyObject*, mjai::kFixedLineCount> g_fixed_strs{};

PyObject* make_fixed_str(mjai::FixedLineId id) {
    // Every table line is ASCII.
    const std::string_view line = mjai::fixed_line(id);
    PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 127);
    if (text) std::memcpy(PyUnicode_DATA(text), line.data(), line.size());
    return text;
}

}  // namespace

PyObject* new_fixed_line_ref(mjai::FixedLineId id) {
    if (id >= mjai::kFixedLineCount) return raise_internal_fault("no such fixed event line");
    PyObject*& slot = g_fixed_strs[id];
    if (!slot) {
        slot = make_fixed_str(id);
        if (!slot) return nullptr;
    }
    Py_INCREF(slot);
    return slot;
}

}  // namespace ripaion::py
