// The large files that the benchmarks and make-large time the program on, made with the test builder.
#pragma once

#include "support/dbx_builder.h"

namespace vendrel::tools {

using testsupport::DbxBuilder;

// A message database of count messages "Message 0", "Message 1", ... of textBytes of text each, in tree 0:
// every text a few lines of subject and body.
DbxBuilder LargeMessageDatabase(int count, size_t textBytes);
// A folder database of count folders: one top-level folder for every 100, the others below them.
DbxBuilder LargeFolderDatabase(int count);

}  // namespace vendrel::tools
