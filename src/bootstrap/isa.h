#pragma once
// The instruction-set path the bootstrap's lane kernel takes: the portable scalar loop everywhere,
// AVX2 (8 lanes) or AVX-512 (16 lanes) on an x86-64 processor that has them, NEON (4 lanes) on
// aarch64 when asked for. Chosen at run time from the processor (the build itself assumes none of
// the x86-64 extensions; NEON is part of aarch64); KELVARO_ISA=scalar|avx2|avx512|neon in the
// environment forces a path. Every path gives the same counts, so the same reports.

#include <string>

namespace kelvaro {

enum class Isa { scalar, avx2, avx512, neon };

// "scalar", "avx2", "avx512" or "neon".
const char* isa_name(Isa isa);

// Whether this build and this processor can take the path (scalar always can).
bool isa_supported(Isa isa);

// The widest supported x86-64 path, else scalar (NEON only when KELVARO_ISA asks for it).
Isa best_isa();

// The path a request asks for (KELVARO_ISA's value; null or empty asks for the best). A request the
// processor cannot take, or that names no path, gives the best available and sets `warning` to a
// line saying so (without the program's name and without its newline); otherwise `warning` is
// left empty.
Isa choose_isa(const char* request, std::string& warning);

// The path of this process: choose_isa of KELVARO_ISA, read at each call (cheap: a block's
// bootstrap asks once). Writes nothing; each program (kelvaro, kelvaro-batch, kelvaro-plan) says
// isa_request_warning(its name) (kelvaro/kelvaro.h: choose_isa's warning after "program: ") once
// on standard error at its start, before any work.
Isa active_isa();

// Draws a path takes at a time: 1, 8, 16 or 4.
int isa_lanes(Isa isa);

}  // namespace kelvaro
