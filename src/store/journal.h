// The rollback journal of a change to a database. Before the first byte of the file changes, what the
// change will overwrite and the file's length go into "<file>-journal" beside it, made durable with its
// directory entry; then the file is changed and made durable; removing the journal is the moment the
// change becomes the file's. A session that finds a journal puts the file back under the lock before it
// reads anything: whatever stopped the change (a crash, a power cut, a disk that failed), the next
// session sees the file as it was or with the whole change.
//
// Layout, little-endian:
//   0      char[8]  "VDRLJNL1"
//   8      u64      the length of the file before the change
//   16     u32      the number of ranges
//   20     ranges   each: u64 offset, u64 length, the bytes as they were, the bytes as they will be
//   end-8  u64      FNV-1a of every byte before it: a journal cut short is no journal
// Keeping what each range will hold tells a file this journal belongs to (every byte of a range as it was
// or as it will be, a write cut anywhere included) from one it does not (a backup put in its place).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vendrel {

struct ChangedRange {
  uint64_t offset;
  std::span<const uint8_t> before, after;  // of one length
};

std::string JournalPath(const std::string& databasePath);

// Writes the journal of a change and makes it durable. False (errno set, nothing left behind) when it
// could not be, or when a journal is there already.
bool WriteJournal(const std::string& databasePath, uint64_t originalLength,
                  const std::vector<ChangedRange>& ranges);
// Removes it, durably: the change is the file's from then on.
bool RemoveJournal(const std::string& databasePath);

struct Recovery {
  enum Outcome { Nothing, RolledBack, Refused } outcome = Nothing;
  std::string reason;  // Refused: why the file cannot be put back
};

// Run under the database's lock before anything reads the file: puts back what an interrupted change
// wrote and removes its journal. A journal cut short was never followed by a write into the file and is
// only removed. Refused leaves the file and the journal as they are.
Recovery RecoverInterruptedChange(const std::string& databasePath);

}  // namespace vendrel
