// kelvaro: species richness and community dynamics from two samples of species detections.
// Reads the run header and data blocks on standard input, writes the report on standard output.
// Command-line arguments are ignored.

#include <cstdio>
#include <iostream>

#include "kelvaro/run.h"

int main() {
  // The report's lines end in CR LF exactly as written: no text-mode translation anywhere.
  (void)std::freopen(nullptr, "rb", stdin);
  (void)std::freopen(nullptr, "wb", stdout);
  std::ios::sync_with_stdio(false);
  return kelvaro::run(std::cin, std::cout, std::cerr);
}
