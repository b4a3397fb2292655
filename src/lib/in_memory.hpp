// The module's in-memory functions, on the library's one pipeline:
//   convert(data) -> list[str]
//   convert_to_bytes(data, *, gzip=None) -> bytes
//   convert_with_info(data, *, gzip=None) -> (bytes, dict)
// `data` is the log's bytes (bytes, str or a buffer). The interpreter lock
// is released while the log is read, converted, encoded and compressed.
#pragma once

#include <Python.h>

namespace ripaion::py {

// Vector-call entries (METH_FASTCALL | METH_KEYWORDS). Never let a C++
// exception reach the interpreter.
PyObject* convert(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* convert_to_bytes(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* convert_with_info(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;
PyObject* convert_for_manifest(PyObject* module, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept;

inline constexpr const char* kConvertDoc =
    "convert(data, *, format='auto')\n--\n\n"
    "The mjai event lines of the log whose bytes are `data` (bytes, str or a\n"
    "bytes-like object): the list tenhou_to_mjai (or mjlog_to_mjai) returns for a\n"
    "file holding them. format: 'auto' (an mjlog record when the bytes start with\n"
    "gzip's magic, a UTF-16 mark and a tag, else a JSON log), 'tenhou6' or 'mjlog'.";
inline constexpr const char* kConvertToBytesDoc =
    "convert_to_bytes(data, *, gzip=None, format='auto')\n--\n\n"
    "The whole mjai text of the log whose bytes are `data`, every line followed by\n"
    "a line feed, as UTF-8; with gzip=N (0 to 12), one gzip member at that level\n"
    "with modification time 0. format as for convert.";
inline constexpr const char* kConvertWithInfoDoc =
    "convert_with_info(data, *, gzip=None, format='auto')\n--\n\n"
    "The bytes of convert_to_bytes(data, gzip=gzip, format=format) and a dict that\n"
    "describes the game, from the same reading of the log: hands, events (lines),\n"
    "names, aka and east_only (as its start_game line gives them), ref, lobby,\n"
    "room ('general', 'upper', 'special' or 'phoenix'), dan, rate and sx (one per\n"
    "seat), final_scores (points) and placements (1 to 4, equal scores in seat\n"
    "order from the first dealer). A field the log lacks, or holds in a form not\n"
    "understood, is None; it never changes whether the log converts or its text.";

inline constexpr const char* kConvertForManifestDoc =
    "convert_for_manifest(data, *, gzip=None, format='auto')\n--\n\n"
    "For the command's manifest: the bytes of convert_to_bytes(data, gzip=gzip,\n"
    "format=format), the members of the game's manifest line as json.dumps writes\n"
    "them (MANIFEST_KEYS, each with its value in convert_with_info's dict), and the\n"
    "dict's 'ref'.";

}  // namespace ripaion::py
