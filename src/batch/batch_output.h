#pragma once
// kelvaro-batch's output directory as it is written (kelvaro/batch.h describes what it holds):
// the tables go to hidden temporary files beside their targets, the reports into a hidden
// temporary folder, and commit() renames them into place (the tables are flushed first, so that
// a full disk stops the batch before any rename). Every write is checked: a failure is a
// tools::WriteError, "cannot write out/blocks.csv: No space left on device". Destroyed without
// commit, it removes what it wrote (and the directory, if it made it) and leaves earlier files
// of the same names as they were.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "kelvaro/batch.h"
#include "kelvaro/checked_output.h"
#include "kelvaro/surveys.h"

namespace kelvaro::batch {

// A label as part of a file name (above). Labels whose name would pass kMaxNamePart bytes are
// cut there and end in '~' and a hash of the whole label, so that they stay distinct. The empty
// label (the one group of a table without a group column) is "(none)", which no other label
// gives ('(' and ' ' are escaped).
std::string file_name_part(std::string_view label);
inline constexpr std::size_t kMaxNamePart = 120;

// The mark's name, in reports/ and each group folder.
inline constexpr const char* kMarkName = ".kelvaro-batch";

// The records' source beside the tables, and how its text begins (a batch without a source
// removes a source.json that begins so: an earlier batch's).
inline constexpr const char* kSourceName = "source.json";
inline constexpr std::string_view kSourceStart = "{\n  \"about\": ";

// The first path under DIR/reports, in name order, that no mark lists (a folder that holds
// nothing listed counts by its first file, or itself when empty); nullopt when every file there
// is an earlier batch's, or there is no reports/.
std::optional<std::string> unlisted_report_file(const std::string& directory);

class BatchOutput {
 public:
  // Creates the directory (and parents) when missing, the temporary files and the tables'
  // header rows; with `curves`, curves.csv too; and source.json with `source` when it is not
  // empty. Throws FolderRefused (unlisted_report_file), WriteError.
  BatchOutput(const std::string& directory, bool reports, const std::string& source = "",
              bool curves = false);
  ~BatchOutput();
  BatchOutput(const BatchOutput&) = delete;
  BatchOutput& operator=(const BatchOutput&) = delete;

  // Appends a pair's rows, and writes its report when it has one. Throws WriteError.
  void add(const PairOutcome& outcome, std::string_view group, std::string_view sample1,
           std::string_view sample2);
  // Puts everything in place, removing an earlier batch's reports/. Throws FolderRefused,
  // WriteError.
  void commit();

 private:
  void write_report(const std::string& text, std::string_view group, std::string_view sample1,
                    std::string_view sample2);
  // Writes the mark of the group folder made last, listing its reports.
  void mark_group_folder();
  void refuse_unlisted_files() const;
  // Removes source.json when an earlier batch wrote it. Throws WriteError.
  void remove_earlier_source() const;

  std::string directory_;
  // parameters, blocks, tests, estimators and problems, in the order of batch_table_paths(),
  // then curves.csv with curves.
  std::vector<std::unique_ptr<tools::ReplacingFile>> tables_;
  std::unique_ptr<tools::ReplacingFile> source_;  // source.json, when the batch has a source
  std::optional<std::string> reports_;            // the temporary reports folder
  std::string reports_target_;     // DIR/reports, or the folder a link of that name names
  std::string last_group_folder_;  // the group folder made last
  std::string group_files_;        // the reports written in it, a name a line
  std::string group_folders_;      // the group folders made, a name a line
  bool made_directory_ = false;
  bool committed_ = false;
};

}  // namespace kelvaro::batch
