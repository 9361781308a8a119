#include "sources.h"

namespace py = pybind11;
namespace tools = kelvaro::tools;

TableSource table_source(const py::tuple& described) {
  TableSource source;
  const std::string kind = described.size() > 0 ? py::str(described[0]).cast<std::string>() : "";
  if (kind == "path" && described.size() == 2) {
    source.is_path = true;
    source.path = described[1].cast<std::string>();
    source.name = source.path;
    return source;
  }
  if (kind == "bytes" && described.size() == 3 && py::isinstance<py::bytes>(described[1])) {
    char* data = nullptr;
    Py_ssize_t size = 0;
    if (PyBytes_AsStringAndSize(described[1].ptr(), &data, &size) != 0)
      throw py::error_already_set();
    source.bytes = std::string_view(data, static_cast<std::size_t>(size));
    source.name = described[2].cast<std::string>();
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
