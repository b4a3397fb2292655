#include "line_list.hpp"

#include <cstring>

#include "error_types.hpp"
#include "fixed_line_strs.hpp"
#include "py_ref.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::py {

// Almost every line is pure ASCII (only player names may not be): for those
// the str is allocated at its final size and filled by one copy, which gives
// the same object as decoding without the per-character work.
PyObject* new_line_str(std::string_view line) {
    if (ascii_only(line)) {
        PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 127);
        if (text && !line.empty()) std::memcpy(PyUnicode_DATA(text), line.data(), line.size());
        return text;
    }
    return PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), nullptr);
}

PyObject* new_line_list(const conv::GameLines& lines) {
    const std::size_t count = lines.count();
    Ref list(PyList_New(static_cast<Py_ssize_t>(count)));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        const conv::GameLines::Slot& slot = lines.slots[i];
        if (slot.size == 0 && slot.start >= mjai::kFixedLineCount) return raise_internal_fault("no such fixed line");
        PyObject* item = slot.size == 0
                             ? new_fixed_line_ref(static_cast<mjai::FixedLineId>(slot.start))
                             : new_line_str(std::string_view(lines.text).substr(slot.start, slot.size));
        if (!item) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
}

}  // namespace ripaion::py
