// Inputs that once crashed, hung or tripped a sanitizer under the fuzzer: each must now run to
// its end with exit status 0 or 2.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/process.h"
#include "support/run_helpers.h"

namespace kelvaro {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputEndsCleanly) {
  const fs::path dir = fs::path(KELVARO_SOURCE_DIR) / "tests" / "fuzz" / "regressions";
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const auto r = testing::run_text(testing::slurp(entry.path().string()));
    EXPECT_TRUE(r.status == 0 || r.status == 2) << r.status;
  }
}

}  // namespace
}  // namespace kelvaro
