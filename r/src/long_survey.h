#pragma once
// A survey's long table read by the library's DetectionTable (kelvaro/surveys.h), as
// kelvaro-batch reads one, and its pairs once made: what kelvaro_long() and kelvaro_dwca() read
// and the pair entries of long_entry.cpp take, held in an external pointer between the calls.
// Reads R objects: call these on the R thread only.

#include <Rcpp.h>

#include <memory>
#include <optional>
#include <vector>

#include "kelvaro/byte_source.h"
#include "kelvaro/darwin_core.h"
#include "kelvaro/surveys.h"

struct LongSurvey {
  // A Darwin Core archive's table and its long table's bytes, which the records are read from
  // (none for a data frame's columns). Declared first: they outlive the table read from them.
  std::optional<kelvaro::dwc::DarwinCoreTable> archive;
  std::unique_ptr<kelvaro::tools::ByteSource> source;
  kelvaro::batch::SurveyLabels labels;
  std::unique_ptr<kelvaro::batch::DetectionTable> table;
  std::vector<kelvaro::batch::SamplePair> pairs;
};

// True when the user has not interrupted (asked without leaving this function).
bool not_interrupted();

// What the R code takes of a survey whose table was read: list(status 0, survey (the external
// pointer, which now owns it), records, variants, same_numbers).
Rcpp::List read_survey_list(std::unique_ptr<LongSurvey> survey);
