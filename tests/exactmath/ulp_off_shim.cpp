// A preloadable library (LD_PRELOAD) that replaces the C library's exp, log and expf, and the
// aliases a compiler may call instead, by the library's own result moved one unit in the last
// place up: a stand-in for a platform whose maths library rounds differently.
#include <dlfcn.h>

#include <cmath>

namespace {

template <typename F>
F next_definition(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

double moved(double r) { return std::isfinite(r) && r != 0.0 ? std::nextafter(r, HUGE_VAL) : r; }
float moved(float r) { return std::isfinite(r) && r != 0.0f ? std::nextafter(r, HUGE_VALF) : r; }

double library_exp(double x) {
  static const auto f = next_definition<double (*)(double)>("exp");
  return f(x);
}
double library_log(double x) {
  static const auto f = next_definition<double (*)(double)>("log");
  return f(x);
}
float library_expf(float x) {
  static const auto f = next_definition<float (*)(float)>("expf");
  return f(x);
}

}  // namespace

extern "C" {
double exp(double x) { return moved(library_exp(x)); }
double log(double x) { return moved(library_log(x)); }
float expf(float x) { return moved(library_expf(x)); }
double __exp_finite(double x) { return moved(library_exp(x)); }
double __log_finite(double x) { return moved(library_log(x)); }
float __expf_finite(float x) { return moved(library_expf(x)); }
}
