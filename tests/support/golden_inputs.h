#pragma once
// Input files of the source tree: the golden inputs, and any folder's files of one extension,
// in name order.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvaro::testing {

inline std::vector<std::filesystem::path> source_files(const std::string& folder,
                                                       const std::string& extension) {
  namespace fs = std::filesystem;
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(fs::path(KELVARO_SOURCE_DIR) / folder)) {
    if (e.path().extension() == extension) found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Every golden input: runs that end, fail to read or are refused.
inline std::vector<std::filesystem::path> golden_inputs() {
  return source_files("tests/golden", ".in");
}

}  // namespace kelvaro::testing
