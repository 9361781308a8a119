#pragma once
// Tables handed over from Python: a path the library opens itself (kelvaro-prep's and
// kelvaro-batch's reading, mapped and read in parts), or bytes the Python code wrote (a
// DataFrame as CSV) under a name that messages give it. The bytes are Python's own, borrowed
// without a copy: the Python object must outlive the source, and stays unchanged (bytes are
// immutable) while the library reads it with the GIL released.

#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <string_view>

#include "kelvaro/byte_source.h"

struct TableSource {
  bool is_path = false;
  std::string path;        // is_path
  std::string_view bytes;  // otherwise: the table's CSV bytes ...
  std::string name;        // ... and what messages call it
};

// From ("path", str) or ("bytes", bytes, name). Requires the GIL. Throws TypeError otherwise.
TableSource table_source(const pybind11::tuple& spec);

// Opens it. Throws tools::ReadError (a path that cannot be read).
std::unique_ptr<kelvaro::tools::ByteSource> open_source(const TableSource& source);

// A CSV text as a Python str: the library's tables are UTF-8 where the labels are (bytes that are
// not are kept, escaped as surrogates, so that nothing is lost).
pybind11::str text_of(const std::string& bytes);
