#include "tables.h"

#include <pybind11/stl.h>

#include "kelvaro/checked_output.h"
#include "kelvaro/report_reader.h"
#include "sources.h"

namespace py = pybind11;

py::dict table_dict(const std::string& csv, const std::vector<std::string>& labels) {
  py::dict d;
  d["csv"] = text_of(csv);
  d["labels"] = py::cast(labels);
  return d;
}

py::dict table_dict(const kelvaro::Table& table) {
  kelvaro::tools::StringOutput csv;
  kelvaro::tidy::write_csv(csv, table);
  return table_dict(csv.text(), label_columns(table.kind()));
}

std::vector<std::string> label_columns(kelvaro::TableKind kind,
                                       const std::vector<std::string>& key) {
  std::vector<std::string> labels = key;
  for (const kelvaro::Column& c : kelvaro::table_columns(kind)) {
    if (c.label) labels.emplace_back(c.name);
  }
  return labels;
}
