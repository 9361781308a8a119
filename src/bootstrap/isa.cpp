#include "bootstrap/isa.h"

#include <cstdlib>
#include <cstring>

#include "kelvaro/kelvaro.h"

namespace kelvaro {

const char* isa_name(Isa isa) {
  switch (isa) {
    case Isa::avx2:
      return "avx2";
    case Isa::avx512:
      return "avx512";
    case Isa::neon:
      return "neon";
    case Isa::scalar:
      break;
  }
  return "scalar";
}

bool isa_supported(Isa isa) {
  if (isa == Isa::scalar) return true;
#if defined(__x86_64__) && defined(__GNUC__)
  // The processor's and the operating system's support (the compiler's run-time check of CPUID
  // and of the saved register state).
  __builtin_cpu_init();
  if (isa == Isa::avx2) return __builtin_cpu_supports("avx2");
  if (isa == Isa::avx512) return __builtin_cpu_supports("avx512f");
#elif defined(__aarch64__) && defined(__ARM_NEON)
  if (isa == Isa::neon) return true;  // every aarch64 processor has it
#endif
  return false;
}

Isa best_isa() {
  if (isa_supported(Isa::avx512)) return Isa::avx512;
  if (isa_supported(Isa::avx2)) return Isa::avx2;
  // NEON is taken only when asked for: its speed on aarch64 processors is yet to be measured.
  return Isa::scalar;
}

Isa choose_isa(const char* request, std::string& warning) {
  warning.clear();
  const Isa best = best_isa();
  if (request == nullptr || *request == '\0') return best;
  for (Isa isa : {Isa::scalar, Isa::avx2, Isa::avx512, Isa::neon}) {
    if (std::strcmp(request, isa_name(isa)) != 0) continue;
    if (isa_supported(isa)) return isa;
    warning = std::string("KELVARO_ISA=") + request +
              ": this processor (or this build) lacks it; using " + isa_name(best);
    return best;
  }
  warning = std::string("KELVARO_ISA=") + request +
            " is not a path (scalar, avx2, avx512 or neon); using " + isa_name(best);
  return best;
}

Isa active_isa() {
  std::string warning;
  return choose_isa(std::getenv("KELVARO_ISA"), warning);
}

std::string isa_request_warning(const char* program) {
  std::string warning;
  choose_isa(std::getenv("KELVARO_ISA"), warning);
  return warning.empty() ? warning : std::string(program) + ": " + warning;
}

int isa_lanes(Isa isa) {
  switch (isa) {
    case Isa::avx2:
      return 8;
    case Isa::avx512:
      return 16;
    case Isa::neon:
      return 4;
    case Isa::scalar:
      break;
  }
  return 1;
}

}  // namespace kelvaro
