// The mappings of the database files that sessions opened lately, kept between sessions. The explorer
// opens a session around every single operation; mapping the file anew each time (and faulting its
// pages in again) was most of the time a full walk of a large database took. A kept mapping is only
// reused for the same file (device and inode) and is re-mapped when the file's size changed, so a
// session sees exactly what a fresh mapping would show: shared mappings of one file are coherent.
#pragma once

#include <memory>
#include <string>

#include "platform/file_mapping.h"

namespace vendrel {

// The whole file at path mapped at its current size (read-write, or read-only when it cannot be
// written); null when it cannot be opened or is empty. Never creates a file.
std::shared_ptr<FileMapping> AcquireMapping(const std::string& path);

// Drops every kept mapping (those still in use stay alive with their sessions).
void ForgetMappings();

}  // namespace vendrel
