// Writes a large message database for timing and profiling: make-large FILE MESSAGES [TEXT_BYTES]
#include <cstdio>
#include <cstdlib>

#include "support/dbx_builder.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make-large FILE MESSAGES [TEXT_BYTES]\n");
    return 2;
  }
  const int count = std::atoi(argv[2]);
  const size_t textBytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 4096;
  vendrel::testsupport::LargeMessageDatabase(count, textBytes).WriteTo(argv[1]);
  return 0;
}
