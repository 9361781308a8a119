// kelvaro._core: the library's entry points for the Python package (kelvaro/__init__.py is the
// package users call). Each computes with the GIL released, stops at Ctrl-C (interrupt.h) and
// turns the library's refusals into Python's exceptions (errors.h).

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <vector>

#include "errors.h"
#include "kelvaro/curves.h"
#include "kelvaro/darwin_core_files.h"
#include "kelvaro/field_tables.h"
#include "kelvaro/kelvaro.h"
#include "kelvaro/labels.h"
#include "kelvaro/surveys.h"
#include "sources.h"

namespace py = pybind11;

py::dict analyse_tables(const py::tuple& sample1, const py::object& sample2, int nreps, int seed,
                        std::optional<int> clock, bool range_adjust, int threads);
py::dict batch_tables(const py::tuple& records, const py::object& pairs,
                      const std::vector<std::string>& columns, int nreps, int seed,
                      bool range_adjust, int threads, std::vector<std::string> survey_groups,
                      std::vector<std::string> survey_samples, const py::object& progress);
py::dict plan_survey(const py::dict& request, const py::object& progress);
py::dict read_archive(const std::string& path, const py::dict& options, const py::object& progress);

namespace {

// Every name a run's warnings and a curve's warnings may have, in the library's order: the
// enumerations' values taken in turn until one has no name of its own.
std::vector<std::string> warning_kinds() {
  std::vector<std::string> names;
  for (int k = 0;; ++k) {
    const std::string name = kelvaro::warning_kind_name(static_cast<kelvaro::WarningKind>(k));
    if (name == "warning") break;
    names.push_back(name);
  }
  for (int k = 0;; ++k) {
    const std::string name =
        kelvaro::curve_warning_kind_name(static_cast<kelvaro::CurveWarningKind>(k));
    if (name.empty()) break;
    names.push_back(name);
  }
  return names;
}

// The rank of each label in kelvaro-batch's order of groups or samples (by value when every one
// is a number, else by bytes): ranks[i] for labels[i]. Requires: labels distinct.
std::vector<std::uint32_t> label_ranks(const std::vector<std::string>& labels) {
  kelvaro::batch::SurveyLabels pools;
  for (const std::string& l : labels) pools.groups.intern(l);
  const std::vector<std::uint32_t> ranks = kelvaro::batch::ranks_of(pools).groups;
  std::vector<std::uint32_t> out;
  for (const std::string& l : labels) out.push_back(ranks[*pools.groups.find(l)]);
  return out;
}

// Reads the header row of a long table as kelvaro-batch does: raises InputError for a missing
// or repeated column, as it would.
void check_long_header(const py::tuple& records, const std::vector<std::string>& columns) {
  const TableSource table = table_source(records);
  kelvaro::csv::LongTableOptions options;
  options.columns = {columns.at(0), columns.at(1), columns.at(2), columns.at(3), columns.at(4)};
  const auto source = open_source(table);
  kelvaro::batch::SurveyLabels labels;
  const kelvaro::batch::DetectionTable header(*source, options, labels);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "kelvaro's library, for the kelvaro package (use kelvaro, not this module).";
  register_errors(m);
  m.attr("version") = KELVARO_VERSION;
  m.def("analyse", &analyse_tables);
  m.def("batch", &batch_tables);
  m.def("plan", &plan_survey);
  m.def("read_archive", &read_archive);
  m.def("is_archive_path", &kelvaro::dwc::is_archive_path);
  m.def("warning_kinds", &warning_kinds);
  m.def("label_ranks", &label_ranks);
  m.def("check_long_header", &check_long_header);
  // Names as bytes (a table's own, whatever their encoding).
  m.def("folded_name",
        [](const std::string& name) { return py::bytes(kelvaro::csv::folded_name(name)); });
  m.def("detect_separator", [](const std::string& header) {
    return std::string(1, kelvaro::csv::detect_separator(header));
  });
}
