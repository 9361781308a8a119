#pragma once
// The records of the block in hand, as read. Values stay until something overwrites them: a null
// value in the input keeps what the buffer held, whatever put it there (an earlier block's data,
// or the class counts of a block's last bootstrap replicate).

#include <cstdint>

#include "numeric/one_based.h"

namespace kelvaro {

struct BlockBuffer {
  Array1<float, 100> x{};         // f(1..t), and with the frequency pair f'(1..t+1) behind it
  Array1<std::int32_t, 100> n{};  // n(1..t)
};

}  // namespace kelvaro
