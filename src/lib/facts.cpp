#include "facts.hpp"

#include <iterator>
#include <string>
#include <utility>

#include "arguments.hpp"
#include "data_argument.hpp"
#include "errors.hpp"
#include "in_memory.hpp"
#include "manifest_members.hpp"
#include "py_ref.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/sys/path_text.hpp"

namespace ripaion::py {
namespace {

PyMethodDef g_fact_defs[] = {
    {"detect_format", &detect_format, METH_O,
     "detect_format(head)\n--\n\n"
     "The format format=\"auto\" reads a log whose bytes start with `head`: \"tenhou6\", \"mjlog\", or \"gzip\" "
     "(told once decompressed)."},
    {"convert_for_manifest", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&convert_for_manifest)),
     METH_FASTCALL | METH_KEYWORDS, kConvertForManifestDoc},
    {"names_standard_output", &names_standard_output, METH_O,
     "names_standard_output(path)\n--\n\n"
     "Whether `path` (str or os.PathLike) means standard output where an output path is taken."},
};

bool set_attribute(PyObject* module, const char* name, Ref value) {
    return value && PyObject_SetAttrString(module, name, value.get()) == 0;
}

}  // namespace

PyObject* detect_format(PyObject*, PyObject* head) noexcept {
    return catching_faults([&]() -> PyObject* {
        LogBytes bytes;
        if (!log_bytes_argument(head, "detect_format()", bytes)) return nullptr;
        switch (pipeline::detect_input_format(bytes.view())) {
            case pipeline::InputFormat::Mjlog: return PyUnicode_FromString("mjlog");
            case pipeline::InputFormat::Gzip: return PyUnicode_FromString("gzip");
            case pipeline::InputFormat::TenhouJson: break;
        }
        return PyUnicode_FromString("tenhou6");
    });
}

PyObject* names_standard_output(PyObject*, PyObject* path) noexcept {
    return catching_faults([&]() -> PyObject* {
        std::string bytes;
        if (!path_argument(path, "path", bytes)) return nullptr;
        return PyBool_FromLong(sys::names_standard_output(bytes) ? 1 : 0);
    });
}

bool add_facts(PyObject* module) {
    Ref module_name(PyModule_GetNameObject(module));
    if (!module_name) return false;
    for (PyMethodDef& def : g_fact_defs) {
        if (!set_attribute(module, def.ml_name, Ref(PyCMethod_New(&def, module, module_name.get(), nullptr))))
            return false;
    }
    Ref keys(PyTuple_New(static_cast<Py_ssize_t>(std::size(kManifestKeys))));
    if (!keys) return false;
    for (std::size_t i = 0; i < std::size(kManifestKeys); ++i) {
        PyObject* key = PyUnicode_FromString(kManifestKeys[i]);
        if (!key) return false;
        PyTuple_SET_ITEM(keys.get(), static_cast<Py_ssize_t>(i), key);
    }
    return set_attribute(module, "MIN_GZIP_LEVEL", Ref(PyLong_FromLong(gzip::kMinLevel))) &&
           set_attribute(module, "MAX_GZIP_LEVEL", Ref(PyLong_FromLong(gzip::kMaxLevel))) &&
           set_attribute(module, "MANIFEST_KEYS", std::move(keys));
}

}  // namespace ripaion::py
