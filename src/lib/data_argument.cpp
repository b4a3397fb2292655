#include "data_argument.hpp"

namespace ripaion::py {
namespace {

// Releases the buffer on every path out, C++ exceptions included.
struct HeldBuffer {
    Py_buffer view{};
    bool held = false;
    ~HeldBuffer() {
        if (held) PyBuffer_Release(&view);
    }
};

}  // namespace

bool log_bytes_argument(PyObject* data, const char* function, LogBytes& out) {
    if (PyBytes_Check(data)) {
        out.owner = Ref::borrow(data);
        out.borrowed = std::string_view(PyBytes_AS_STRING(data), static_cast<std::size_t>(PyBytes_GET_SIZE(data)));
        return true;
    }
    if (PyUnicode_Check(data)) {
        Py_ssize_t size = 0;
        // Kept by the str for its lifetime.
        const char* utf8 = PyUnicode_AsUTF8AndSize(data, &size);
        if (!utf8) return false;
        out.owner = Ref::borrow(data);
        out.borrowed = std::string_view(utf8, static_cast<std::size_t>(size));
        return true;
    }
    if (!PyObject_CheckBuffer(data)) {
        PyErr_Format(PyExc_TypeError, "%s argument 'data' must be bytes, str or a bytes-like object, not '%.200s'",
                     function, Py_TYPE(data)->tp_name);
        return false;
    }
    HeldBuffer held;
    // Any layout (a strided memoryview too): its bytes in C order, as
    // bytes(memoryview(data)) gives them.
    if (PyObject_GetBuffer(data, &held.view, PyBUF_FULL_RO) < 0) return false;
    held.held = true;
    out.copy.resize(static_cast<std::size_t>(held.view.len));
    if (PyBuffer_ToContiguous(out.copy.data(), &held.view, held.view.len, 'C') < 0) return false;
    out.copied = true;
    return true;
}

}  // namespace ripaion::py
