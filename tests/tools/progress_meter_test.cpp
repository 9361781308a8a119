// What kelvaro-batch shows while it works.

#include "batch/progress_meter.h"

#include <gtest/gtest.h>

namespace kelvaro::batch {
namespace {

TEST(ProgressMeter, LinesSayPairsRateAndTimeLeft) {
  EXPECT_EQ(progress_text(3200, 8000, 8.0, false),
            "kelvaro-batch: 3200 of 8000 pairs, 400 pairs/s, about 12 s left");
  EXPECT_EQ(progress_text(2000, 8000, 4.0, true),
            "kelvaro-batch: [#####...............] 2000/8000 pairs, 500 pairs/s, about 12 s left");
  EXPECT_EQ(progress_text(0, 10, 0.0, false), "kelvaro-batch: 0 of 10 pairs");
  // No rate from less than a second of work.
  EXPECT_EQ(progress_text(5, 10, 0.999, false), "kelvaro-batch: 5 of 10 pairs");
  EXPECT_EQ(progress_text(5, 10, 1.0, false),
            "kelvaro-batch: 5 of 10 pairs, 5.0 pairs/s, about 1.0 s left");
  EXPECT_EQ(rough_duration(0.44), "0.4 s");
  EXPECT_EQ(rough_duration(240.0), "4 min");
  EXPECT_EQ(rough_duration(9000.0), "2.5 h");
}

}  // namespace
}  // namespace kelvaro::batch
