// Prints exp, log and expf of fixed arguments as the maths library computes them, so that a run
// with and without the preloaded shim shows whether the shim is in effect.
#include <cmath>
#include <cstdio>

int main() {
  volatile double x = 0.3;  // volatile: no compile-time evaluation
  volatile float xf = 0.3f;
  std::printf("%a %a %a\n", std::exp(x), std::log(x), static_cast<double>(std::exp(xf)));
  return 0;
}
