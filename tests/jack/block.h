#pragma once
// Test helper: puts a block's frequencies into work01 on a fresh storage and estimates it.

#include <cstdint>
#include <initializer_list>

#include "jack/readj.h"
#include "shared/storage.h"

namespace kelvaro::jacktest {

inline void estimate_block(std::int32_t t, std::initializer_list<float> x) {
  reset_storage();
  work01.t = t;
  std::int32_t i = 1;
  for (const float v : x) work01.x(i++) = v;
  readj();
}

}  // namespace kelvaro::jacktest
