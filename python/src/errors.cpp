#include "errors.h"

#include <new>

#include "kelvaro/batch.h"
#include "kelvaro/byte_source.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/planner.h"

namespace py = pybind11;

namespace {

constexpr const char* kInputErrorDoc =
    "Input that kelvaro refuses: a table that kelvaro-prep or kelvaro-batch would refuse (its\n"
    "message is theirs, naming the table, line and column and saying how to put it right), a\n"
    "planning request kelvaro-plan would refuse, or a run kelvaro refuses. A ValueError.\n\n"
    "Attributes: file, line, column (counted from 1) and reason, where the refusal has them\n"
    "(None where it has not).";

py::object input_error_type() { return py::module_::import("kelvaro._core").attr("InputError"); }

void set_input_error(const std::string& message, const std::optional<std::string>& file,
                     std::optional<long> line, std::optional<long> column,
                     const std::optional<std::string>& reason) {
  py::object error = input_error_type()(message);
  error.attr("file") = file ? py::object(py::str(*file)) : py::none();
  error.attr("line") = line ? py::object(py::int_(*line)) : py::none();
  error.attr("column") = column ? py::object(py::int_(*column)) : py::none();
  error.attr("reason") = reason ? py::object(py::str(*reason)) : py::none();
  PyErr_SetObject(input_error_type().ptr(), error.ptr());
}

}  // namespace

void raise_input_error(const std::string& message, const std::optional<std::string>& file,
                       std::optional<long> line, std::optional<long> column,
                       const std::optional<std::string>& reason) {
  set_input_error(message, file, line, column, reason);
  throw py::error_already_set();
}

void register_errors(py::module_& m) {
  py::object type = py::reinterpret_steal<py::object>(
      PyErr_NewExceptionWithDoc("kelvaro.InputError", kInputErrorDoc, PyExc_ValueError, nullptr));
  if (!type) throw py::error_already_set();
  m.attr("InputError") = type;
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const kelvaro::csv::InputError& e) {  // and MissingColumn
      const long line = e.line();
      set_input_error(e.what(), e.file(), line > 0 ? std::optional<long>(line) : std::nullopt,
                      e.column() > 0 ? std::optional<long>(e.column()) : std::nullopt, e.reason());
    } catch (const kelvaro::dwc::ArchiveError& e) {
      set_input_error(e.what(), e.archive(), std::nullopt, std::nullopt, e.reason());
    } catch (const kelvaro::plan::OptionError& e) {
      set_input_error(e.what(), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    } catch (const kelvaro::batch::TooManyPairs& e) {
      set_input_error(e.what(), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    } catch (const kelvaro::prep::UsageError& e) {
      set_input_error(e.what(), std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    } catch (const kelvaro::tools::ReadError& e) {
      PyErr_SetString(PyExc_OSError, e.what());
    } catch (const kelvaro::batch::OutOfMemory& e) {
      PyErr_SetString(PyExc_MemoryError, e.what());
    }
  });
}
