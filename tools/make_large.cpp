// Writes a large database for timing and profiling:
//   make-large FILE MESSAGES [TEXT_BYTES]   a message database
//   make-large --folders FILE FOLDERS       a folder database, a hundred folders under each top-level one
#include <cstdio>
#include <cstdlib>
#include <string>

#include "large_databases.h"

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--folders") {
    vendrel::tools::LargeFolderDatabase(std::atoi(argv[3])).WriteTo(argv[2]);
    return 0;
  }
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: make-large FILE MESSAGES [TEXT_BYTES] | make-large --folders FILE FOLDERS\n");
    return 2;
  }
  const int count = std::atoi(argv[2]);
  const size_t textBytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 4096;
  vendrel::tools::LargeMessageDatabase(count, textBytes).WriteTo(argv[1]);
  return 0;
}
