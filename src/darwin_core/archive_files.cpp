// The archives a face holds in memory (FileMap) and folders on disk (FolderFiles).

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "darwin_core/meta_layout.h"
#include "kelvaro/darwin_core.h"

namespace kelvaro::dwc {
namespace {

namespace fs = std::filesystem;

// Enough for any archive; a folder of photographs or a home directory given by mistake stops
// here.
constexpr std::size_t kMaxFolderFiles = 10000;
constexpr int kMaxFolderDepth = 3;

void list_folder(const fs::path& root, const fs::path& folder, int depth,
                 std::vector<std::string>& out) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (out.size() == kMaxFolderFiles) return;
    const fs::directory_entry& entry = *it;
    std::error_code kind_error;
    if (entry.is_directory(kind_error)) {
      if (depth < kMaxFolderDepth) list_folder(root, entry.path(), depth + 1, out);
    } else if (entry.is_regular_file(kind_error)) {
      out.push_back(entry.path().lexically_relative(root).generic_string());
    }
  }
}

}  // namespace

void FileMap::add(std::string file, std::string bytes) {
  const std::optional<std::string> name = plain_file_name(file);
  if (!name) {
    left_out_.push_back(std::move(file));
    return;
  }
  files_[*name] = std::move(bytes);
}

std::vector<std::string> FileMap::list() {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : files_) names.push_back(name);
  return names;
}

std::unique_ptr<tools::ByteSource> FileMap::open(const std::string& file) {
  const auto found = files_.find(file);
  if (found == files_.end()) throw ArchiveError(name_, "it holds no file " + file);
  return std::make_unique<tools::ViewSource>(found->second, name_ + "/" + file);
}

FolderFiles::FolderFiles(std::string path) : path_(std::move(path)) {
  std::error_code error;
  if (!fs::is_directory(path_, error)) {
    throw ArchiveError(path_, error ? error.message() : "not a folder");
  }
  list_folder(path_, path_, 1, files_);
  std::sort(files_.begin(), files_.end());
}

std::unique_ptr<tools::ByteSource> FolderFiles::open(const std::string& file) {
  return std::make_unique<tools::FileSource>((fs::path(path_) / file).string());
}

}  // namespace kelvaro::dwc
