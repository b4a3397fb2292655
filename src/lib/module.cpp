// Single-phase initialisation of `_ripaion`: one module object per process,
// owned by the first interpreter that imports it.
#include <Python.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "call.hpp"
#include "check.hpp"
#include "errors.hpp"
#include "facts.hpp"
#include "in_memory.hpp"
#include "py_ref.hpp"
#include "ripaion/version.hpp"

namespace ripaion::py {
namespace {

constexpr int kModuleApiVersion = 1013;
constexpr std::int64_t kNoOwner = -1;

PyModuleDef g_module_def = {
    PyModuleDef_HEAD_INIT,
    "_ripaion",
    "",  // an empty text, so __doc__ is "" rather than None
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

PyMethodDef g_function_defs[] = {
    {
        "tenhou_to_mjai",
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&tenhou_to_mjai)),
        METH_FASTCALL | METH_KEYWORDS,
        kTenhouToMjaiDoc,
    },
    {
        "mjlog_to_mjai",
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&mjlog_to_mjai)),
        METH_FASTCALL | METH_KEYWORDS,
        kMjlogToMjaiDoc,
    },
    {
        "convert",
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&convert)),
        METH_FASTCALL | METH_KEYWORDS,
        kConvertDoc,
    },
    {
        "convert_to_bytes",
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&convert_to_bytes)),
        METH_FASTCALL | METH_KEYWORDS,
        kConvertToBytesDoc,
    },
    {
        "convert_with_info",
        reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&convert_with_info)),
        METH_FASTCALL | METH_KEYWORDS,
        kConvertWithInfoDoc,
    },
};

PyMethodDef g_check_def = {
    "check",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&check)),
    METH_O,
    kCheckDoc,
};

// The module's objects live in one interpreter; a second one would share
// them without its own lock, so only the first importer may use the module.
std::atomic<std::int64_t> g_owner{kNoOwner};
// Kept for the rest of the process: importing again returns this object.
PyObject* g_module = nullptr;

// Appends `name` to the module's __all__ (creating it if missing), then
// sets the attribute. Returns false with an exception set.
bool add(PyObject* module, PyObject* name, PyObject* value) {
    Ref all(PyObject_GetAttrString(module, "__all__"));
    if (!all) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
        PyErr_Clear();
        all = Ref(PyList_New(0));
        if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
    }
    if (PyList_Append(all.get(), name) < 0) {
        raise_internal_fault_from_current("could not append __name__ to __all__");
        return false;
    }
    return PyObject_SetAttr(module, name, value) == 0;
}

bool add(PyObject* module, const char* name, PyObject* value) {
    Ref key(PyUnicode_FromString(name));
    return key && add(module, key.get(), value);
}

bool add_function(PyObject* module, PyMethodDef* def) {
    Ref module_name(PyModule_GetNameObject(module));
    if (!module_name) return false;
    Ref function(PyCMethod_New(def, module, module_name.get(), nullptr));
    if (!function) return false;
    Ref name(PyObject_GetAttrString(function.get(), "__name__"));
    if (!name) return false;
    if (!PyUnicode_Check(name.get())) {
        PyErr_SetString(PyExc_TypeError, "the function's __name__ is not a str");
        return false;
    }
    return add(module, name.get(), function.get());
}

bool add_version(PyObject* module, const char* attribute, const std::string& text) {
    Ref value(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
    return value && add(module, attribute, value.get());
}

PyObject* create_module() {
    Ref module(PyModule_Create2(&g_module_def, kModuleApiVersion));
    if (!module) return nullptr;
    for (ModuleError which : kModuleErrors) {
        PyObject* type = module_error_type(which);
        if (!type || !add(module.get(), module_error_name(which), type)) return nullptr;
    }
    for (PyMethodDef& def : g_function_defs) {
        if (!add_function(module.get(), &def)) return nullptr;
    }
    if (!add_function(module.get(), &g_check_def)) return nullptr;
    Ref problem(make_problem_type());
    if (!problem || !add(module.get(), "Problem", problem.get())) return nullptr;
    const std::string version = python_version_text(package_version());
    if (!add_version(module.get(), "__version__", version)) return nullptr;
    if (!add_version(module.get(), "VERSION", version)) return nullptr;
    if (!add_facts(module.get())) return nullptr;
    return module.release();
}

PyObject* init() {
    const std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
    if (id < 0) return nullptr;
    std::int64_t expected = kNoOwner;
    if (!g_owner.compare_exchange_strong(expected, id) && expected != id) {
        PyErr_SetString(PyExc_ImportError,
                        "_ripaion does not support sub-interpreters: it can only be imported by the interpreter "
                        "that imported it first");
        return nullptr;
    }
    if (!g_module) {
        // Under the interpreter lock: no other thread can be here.
        g_module = create_module();
        if (!g_module) return nullptr;
    }
    Py_INCREF(g_module);
    return g_module;
}

}  // namespace
}  // namespace ripaion::py

PyMODINIT_FUNC PyInit__ripaion(void) { return ripaion::py::catching_faults(ripaion::py::init); }
