#pragma once
// The library's result tables handed to Python: each as the CSV text kelvaro-tidy (or
// kelvaro-batch) writes, with the names of its label columns; kelvaro/_tables.py makes the
// DataFrames (or lists of dicts) of them, every other column as numbers.

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "kelvaro/tables.h"

// {"csv": text, "labels": [label column names]}.
pybind11::dict table_dict(const std::string& csv, const std::vector<std::string>& labels);
pybind11::dict table_dict(const kelvaro::Table& table);

// The label columns of a table kind (kelvaro/tables.h), after `key` ones.
std::vector<std::string> label_columns(kelvaro::TableKind kind,
                                       const std::vector<std::string>& key = {});
