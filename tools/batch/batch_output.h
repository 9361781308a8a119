#pragma once
// kelvaro-batch's output directory: parameters.csv, blocks.csv, tests.csv, problems.csv and,
// when asked, reports/<group>/<sample1>-<sample2>.txt. Nothing appears under its final name
// before the whole batch is written: the tables go to hidden temporary files beside their
// targets, the reports into a hidden temporary folder, and commit() renames them into place
// (the tables are flushed first, so that a full disk stops the batch before any rename). Every
// write is checked: a failure is a tools::WriteError, "cannot write out/blocks.csv: No space
// left on device". Destroyed without commit, it removes what it wrote (and the directory, if it
// made it) and leaves earlier files of the same names as they were.
//
// Labels become file names byte by byte: ASCII letters, digits, '.' and '_' stay, any other
// byte (and a leading '.') is written %XX, so that every label is a distinct, valid name:
//   "Route 7/a" -> "Route%207%2Fa"     "2019-1" -> "2019%2D1"     ".." -> "%2E."

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/pair_analysis.h"
#include "common/output.h"

namespace kelvaro::batch {

// A label as part of a file name (above). Labels whose name would pass kMaxNamePart bytes are
// cut there and end in '~' and a hash of the whole label, so that they stay distinct.
std::string file_name_part(std::string_view label);
inline constexpr std::size_t kMaxNamePart = 120;

class BatchOutput {
 public:
  // Creates the directory (and parents) when missing, the temporary files and the tables'
  // header rows. Throws WriteError.
  BatchOutput(const std::string& directory, bool reports);
  ~BatchOutput();
  BatchOutput(const BatchOutput&) = delete;
  BatchOutput& operator=(const BatchOutput&) = delete;

  // Appends a pair's rows, and writes its report when it has one. Throws WriteError.
  void add(const PairOutcome& outcome, std::string_view group, std::string_view sample1,
           std::string_view sample2);
  // Puts everything in place. Throws WriteError.
  void commit();

  // The four tables' paths (an input must not be one of them).
  static std::vector<std::string> table_paths(const std::string& directory);

 private:
  void write_report(const std::string& text, std::string_view group, std::string_view sample1,
                    std::string_view sample2);

  std::string directory_;
  // parameters, blocks, tests and problems, in the order of table_paths().
  std::vector<std::unique_ptr<tools::ReplacingFile>> tables_;
  std::optional<std::string> reports_;  // the temporary reports folder
  std::string reports_target_;          // DIR/reports, or the folder a link of that name names
  std::string last_group_folder_;       // the group folder made last
  bool made_directory_ = false;
  bool committed_ = false;
};

}  // namespace kelvaro::batch
