#include "sources.h"

namespace py = pybind11;
namespace tools = kelvaro::tools;

TableSource table_source(const py::tuple& spec) {
  TableSource source;
  const std::string kind = spec.size() > 0 ? py::str(spec[0]).cast<std::string>() : "";
  if (kind == "path" && spec.size() == 2) {
    source.is_path = true;
    source.path = spec[1].cast<std::string>();
    source.name = source.path;
    return source;
  }
  if (kind == "bytes" && spec.size() == 3 && py::isinstance<py::bytes>(spec[1])) {
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(spec[1].ptr(), &data, &size) != 0) throw py::error_already_set();
    source.bytes = std::string_view(data, static_cast<std::size_t>(size));
    source.name = spec[2].cast<std::string>();
    return source;
  }
  throw py::type_error("a table is (\"path\", path) or (\"bytes\", bytes, name)");
}

std::unique_ptr<tools::ByteSource> open_source(const TableSource& source) {
  if (source.is_path) return std::make_unique<tools::FileSource>(source.path);
  return std::make_unique<tools::ViewSource>(source.bytes, source.name);
}

py::str text_of(const std::string& bytes) {
  PyObject* text =
      PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "surrogateescape");
  if (text == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(text);
}
