#include "shared/storage.h"

#include <cstring>
#include <type_traits>

namespace kelvaro {

Work01 work01;
Work02 work02;
Work03 work03;
Work04 work04;
Minsuf minsuf;

namespace {
template <typename T>
void zero(T& area) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::memset(&area, 0, sizeof area);
}
}  // namespace

void reset_storage() {
  zero(work01);
  zero(work02);
  zero(work03);
  zero(work04);
  zero(minsuf);
}

}  // namespace kelvaro
