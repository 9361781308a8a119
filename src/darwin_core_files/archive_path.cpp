// Which input paths are archives.

#include <sys/stat.h>

#include <fstream>

#include "kelvaro/darwin_core_files.h"

namespace kelvaro::dwc {

bool is_archive_path(const std::string& path) {
  if (path == "-") return false;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  if (S_ISDIR(info.st_mode)) return true;
  if (!S_ISREG(info.st_mode)) return false;
  std::ifstream file(path, std::ios::binary);
  char first[4] = {};
  file.read(first, sizeof first);
  if (file.gcount() != 4) return false;
  const std::string_view start(first, 4);
  return start == std::string_view("PK\x03\x04", 4) || start == std::string_view("PK\x05\x06", 4);
}

std::unique_ptr<ArchiveFiles> open_archive(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return std::make_unique<FolderFiles>(path);
  }
  return open_zip(path);
}

}  // namespace kelvaro::dwc
