#include "call.hpp"

#include <string>

#include "arguments.hpp"
#include "errors.hpp"
#include "output.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/sys/posix_file.hpp"
#include "signature.hpp"

namespace ripaion::py {
namespace {

// Reads the log whole into `bytes`; false with an exception set. Whether the
// bytes are UTF-8 is checked by the pipeline's reader.
bool read_log_file(const std::string& path, pipeline::InputFormat format, std::string& bytes) {
    auto file = sys::open_for_reading(path, signal_handler_raised);
    if (!file) {
        if (!file.error().stopped) raise_open_failure(path, format);
        return false;
    }
    auto read = sys::read_to_end(file.value().get(), signal_handler_raised);
    if (!read) {
        if (!read.error().stopped) raise_read_failure(read.error().number);
        return false;
    }
    bytes = std::move(read).value();
    return true;
}

// (filename, mjai_out=None), by position or keyword.
constexpr const char* kFileNames[] = {"filename", "mjai_out"};
constexpr Signature kTenhouSignature{"tenhou_to_mjai()", kFileNames, 2, 2, 1};
constexpr Signature kMjlogSignature{"mjlog_to_mjai()", kFileNames, 2, 2, 1};

PyObject* run(pipeline::InputFormat format, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* bound[2];
    const Signature& signature = format == pipeline::InputFormat::Mjlog ? kMjlogSignature : kTenhouSignature;
    if (!bind_signature(signature, args, nargsf, kwnames, bound)) return nullptr;
    PyObject* const filename = bound[0];
    PyObject* const mjai_out = bound[1];

    std::string log_path;
    if (!path_argument(filename, "filename", log_path)) return nullptr;
    const bool has_out = mjai_out && mjai_out != Py_None;
    std::string out_path;
    if (has_out && !path_argument(mjai_out, "mjai_out", out_path)) return nullptr;

    std::string bytes;
    if (!read_log_file(log_path, format, bytes)) return nullptr;

    auto lines = pipeline::convert(std::move(bytes), format);
    if (!lines) return raise_failure(lines.error());

    if (has_out && !write_mjai_out(out_path, lines.value())) return nullptr;
    return new_line_list(lines.value());
}

}  // namespace

PyObject* tenhou_to_mjai(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run(pipeline::InputFormat::TenhouJson, args, nargsf, kwnames); });
}

PyObject* mjlog_to_mjai(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run(pipeline::InputFormat::Mjlog, args, nargsf, kwnames); });
}

}  // namespace ripaion::py
