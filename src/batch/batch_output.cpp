#include "batch/batch_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "checked_output/temporary_files.h"
#include "surveys/result_rows.h"

namespace kelvaro::batch {
namespace {

namespace fs = std::filesystem;
using tools::WriteError;

constexpr const char* kTableNames[] = {"parameters.csv", "blocks.csv", "tests.csv",
                                       "estimators.csv", "problems.csv"};

bool kept_as_is(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_';
}

// 64-bit FNV-1a: offset basis 14695981039346656037 and prime 1099511628211, the published
// parameters of the hash.
std::uint64_t fnv1a(std::string_view text) {
  std::uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

// A folder that does not exist yet, under a unique hidden name that a later run recognises as
// left behind if this one is killed: "DIR/.reports.kelvaro-tmp-PID-XXXXXX".
std::string new_hidden_folder(const std::string& directory, const std::string& stem,
                              const std::string& what) {
  std::string pattern = tools::temporary_pattern(directory, stem);
  if (::mkdtemp(pattern.data()) == nullptr) throw WriteError(what, errno);
  // mkdtemp makes it private (0700); the folder takes the mode any folder would (0777 less umask).
  if (::chmod(pattern.c_str(), tools::less_umask(0777)) != 0) throw WriteError(what, errno);
  return pattern;
}

// An open descriptor, closed on destruction unless it was closed (and checked) before.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }
  // Returns the error of close(), or 0.
  int close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// The mark's first line; the names listed follow, one a line.
constexpr std::string_view kMarkHeading =
    "# kelvaro-batch wrote the files listed below in this folder; a later batch replaces them\n";

// Writes `text` to a new file at `path`. Throws WriteError naming `what`.
void write_new_file(const std::string& path, std::string_view text, const std::string& what) {
  OpenFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (file.fd() < 0) throw WriteError(what, errno);
  tools::FdOutput out(file.fd(), what);
  out.write(text);
  out.flush();
  if (const int error = file.close()) throw WriteError(what, error);
}

// The names a folder's mark lists (none when it has no mark).
std::set<std::string> listed_in(const fs::path& folder) {
  std::set<std::string> names;
  std::ifstream mark(folder / kMarkName);
  std::string line;
  while (std::getline(mark, line)) {
    if (!line.empty() && line[0] != '#') names.insert(line);
  }
  return names;
}

std::vector<fs::directory_entry> sorted_entries(const fs::path& folder) {
  std::vector<fs::directory_entry> entries;
  std::error_code error;
  for (const auto& e : fs::directory_iterator(folder, error)) entries.push_back(e);
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool is_folder(const fs::directory_entry& e) {
  std::error_code error;
  return e.is_directory(error) && !e.is_symlink(error);
}

// The first file under an unlisted entry, or the entry itself.
std::string first_file(const fs::directory_entry& entry) {
  if (!is_folder(entry)) return entry.path().string();
  for (const auto& e : sorted_entries(entry.path())) return first_file(e);
  return entry.path().string();
}

// The first unlisted path under `folder`; `depth` 0 for reports/ (it lists group folders), 1 for
// a group folder (it lists reports).
std::optional<std::string> first_unlisted(const fs::path& folder, int depth) {
  const std::set<std::string> listed = listed_in(folder);
  for (const auto& e : sorted_entries(folder)) {
    const std::string name = e.path().filename().string();
    if (name == kMarkName) continue;
    const bool listed_here = listed.count(name) > 0 && is_folder(e) == (depth == 0);
    if (!listed_here) return first_file(e);
    if (depth == 0) {
      if (auto inner = first_unlisted(e.path(), 1)) return inner;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> unlisted_report_file(const std::string& directory) {
  const fs::path reports = fs::path(directory) / "reports";
  std::error_code error;
  const fs::file_status status = fs::status(reports, error);  // a link followed
  if (!fs::exists(status)) return std::nullopt;
  if (!fs::is_directory(status)) return reports.string();
  return first_unlisted(reports, 0);
}

std::string file_name_part(std::string_view label) {
  if (label.empty()) return "(none)";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    const auto c = static_cast<unsigned char>(label[i]);
    if (kept_as_is(c) && !(i == 0 && c == '.')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  if (out.size() > kMaxNamePart) {
    constexpr std::size_t kHashDigits = 16;  // 64 bits in hexadecimal
    out.resize(kMaxNamePart - kHashDigits - 1);
    out += '~';
    const std::uint64_t h = fnv1a(label);
    for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(h >> shift) & 15];
  }
  return out;
}

std::string curves_table_path(const std::string& directory) { return directory + "/curves.csv"; }

std::vector<std::string> batch_table_paths(const std::string& directory) {
  std::vector<std::string> paths;
  for (const char* name : kTableNames) paths.push_back(directory + "/" + name);
  return paths;
}

BatchOutput::BatchOutput(const std::string& directory, bool reports, const std::string& source,
                         bool curves)
    : directory_(directory) {
  const std::string what = "the output directory " + directory;
  std::error_code error;
  made_directory_ = fs::create_directories(directory, error);
  if (error) throw WriteError(what, error.message());
  if (!fs::is_directory(directory, error)) throw WriteError(what, ENOTDIR);
  refuse_unlisted_files();
  const std::vector<std::string> paths = batch_table_paths(directory);
  const std::string headers[] = {table_header(TableKind::kParameters),
                                 table_header(TableKind::kBlocks), table_header(TableKind::kTest),
                                 table_header(TableKind::kEstimators),
                                 std::string(kProblemsHeader)};
  for (std::size_t i = 0; i < paths.size(); ++i) {
    tables_.push_back(std::make_unique<tools::ReplacingFile>(paths[i], paths[i]));
    tables_.back()->write(headers[i]);
  }
  if (!source.empty()) {
    const std::string path = directory + "/" + kSourceName;
    source_ = std::make_unique<tools::ReplacingFile>(path, path);
    source_->write(source);
  }
  if (curves) {
    const std::string path = curves_table_path(directory);
    tables_.push_back(std::make_unique<tools::ReplacingFile>(path, path));
    tables_.back()->write(table_header(TableKind::kCurves));
  }
  if (reports) {
    // A link named reports is followed: the folder it names is replaced, from a temporary
    // folder beside it (a rename cannot cross file systems), and the link stays.
    const std::string what = directory + "/reports";
    reports_target_ = tools::followed_links(what, what);
    const std::string parent = fs::path(reports_target_).parent_path().string();
    reports_ = new_hidden_folder(parent.empty() ? "." : parent,
                                 fs::path(reports_target_).filename().string(), what);
  }
}

BatchOutput::~BatchOutput() {
  if (committed_) return;
  std::error_code ignored;  // nothing more can be done about a folder that stays
  if (reports_) fs::remove_all(*reports_, ignored);
  // The tables' temporary files go first, then the directory if it made it (only if empty).
  tables_.clear();
  if (made_directory_) fs::remove(directory_, ignored);
}

void BatchOutput::add(const PairOutcome& outcome, std::string_view group, std::string_view sample1,
                      std::string_view sample2) {
  const std::string* rows[] = {&outcome.parameters, &outcome.blocks,   &outcome.tests,
                               &outcome.estimators, &outcome.problems, &outcome.curves};
  for (std::size_t i = 0; i < tables_.size(); ++i) tables_[i]->write(*rows[i]);
  if (reports_ && outcome.analysed) write_report(outcome.report, group, sample1, sample2);
}

void BatchOutput::refuse_unlisted_files() const {
  if (const auto file = unlisted_report_file(directory_)) {
    throw FolderRefused("-o " + directory_ + ": " + *file +
                        " was not written by kelvaro-batch, and a batch replaces " + directory_ +
                        "/reports: move the file elsewhere, or choose another "
                        "output directory");
  }
}

void BatchOutput::remove_earlier_source() const {
  const std::string path = directory_ + "/" + kSourceName;
  std::ifstream earlier(path, std::ios::binary);
  std::string start(kSourceStart.size(), '\0');
  if (!earlier.read(start.data(), static_cast<std::streamsize>(start.size())) ||
      start != kSourceStart) {
    return;  // none, or not a batch's
  }
  earlier.close();
  if (std::remove(path.c_str()) != 0 && errno != ENOENT) throw WriteError(path, errno);
}

void BatchOutput::mark_group_folder() {
  if (last_group_folder_.empty()) return;
  const std::string folder = "/" + last_group_folder_ + "/" + kMarkName;
  write_new_file(*reports_ + folder, std::string(kMarkHeading) + group_files_,
                 directory_ + "/reports" + folder);
  group_folders_ += last_group_folder_ + "\n";
  group_files_.clear();
}

void BatchOutput::write_report(const std::string& text, std::string_view group,
                               std::string_view sample1, std::string_view sample2) {
  const std::string folder_name = file_name_part(group);
  const std::string file_name =
      folder_name + "/" + file_name_part(sample1) + "-" + file_name_part(sample2) + ".txt";
  const std::string what = directory_ + "/reports/" + file_name;
  if (folder_name != last_group_folder_) {
    mark_group_folder();
    const std::string folder = *reports_ + "/" + folder_name;
    if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
      throw WriteError(directory_ + "/reports/" + folder_name, errno);
    }
    last_group_folder_ = folder_name;
  }
  write_new_file(*reports_ + "/" + file_name, text, what);
  group_files_ += file_name.substr(folder_name.size() + 1) + "\n";
}

void BatchOutput::commit() {
  for (const auto& t : tables_) t->flush();
  if (source_) source_->flush();
  refuse_unlisted_files();  // again: a file may have come since the batch began
  // A link named reports is followed: the folder it names is replaced (or removed), and the
  // link stays.
  const std::string what = directory_ + "/reports";
  const std::string target = reports_ ? reports_target_ : tools::followed_links(what, what);
  const std::string parent = fs::path(target).parent_path().string();
  std::error_code error;
  std::string earlier;
  if (fs::exists(fs::symlink_status(target, error))) {  // an earlier batch's reports
    earlier = new_hidden_folder(parent.empty() ? "." : parent, "reports-earlier", what);
    if (std::rename(target.c_str(), earlier.c_str()) != 0) throw WriteError(what, errno);
  }
  if (reports_) {
    mark_group_folder();
    write_new_file(*reports_ + "/" + kMarkName, std::string(kMarkHeading) + group_folders_,
                   what + "/" + kMarkName);
    if (std::rename(reports_->c_str(), target.c_str()) != 0) {
      const int failure = errno;
      if (!earlier.empty()) std::rename(earlier.c_str(), target.c_str());  // as it was
      throw WriteError(what, failure);
    }
    reports_.reset();
  }
  if (!earlier.empty()) fs::remove_all(earlier, error);
  for (const auto& t : tables_) t->commit();
  if (source_) {
    source_->commit();
  } else {
    remove_earlier_source();
  }
  committed_ = true;
}

}  // namespace kelvaro::batch
