#include "platform/mapping_cache.h"

#include <sys/stat.h>

#include <list>
#include <mutex>

namespace vendrel {

namespace {

// A handful covers a walk of Folders.dbx and the message databases it opens along the way.
constexpr size_t kKeptMappings = 8;

struct KeptMapping {
  std::string path;
  dev_t device;
  ino_t inode;
  std::shared_ptr<FileMapping> mapping;
};

std::mutex keptMutex;
std::list<KeptMapping>& Kept() {
  static std::list<KeptMapping> kept;
  return kept;
}

}  // namespace

std::shared_ptr<FileMapping> AcquireMapping(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return nullptr;  // what is no regular file, Open refuses
  std::lock_guard guard(keptMutex);
  std::list<KeptMapping>& kept = Kept();
  for (auto it = kept.begin(); it != kept.end(); ++it) {
    if (it->path != path) continue;
    const bool sameFile = it->device == info.st_dev && it->inode == info.st_ino;
    // A file of another size (a peer grew or compacted it) is mapped again at its size now, but never
    // under a session that still reads the old view: that one keeps it, the new session gets a new one.
    const bool sameSize = it->mapping->size() == static_cast<uint64_t>(info.st_size);
    if (sameFile && (sameSize || (it->mapping.use_count() == 1 && it->mapping->Map()))) {
      kept.splice(kept.begin(), kept, it);
      return kept.front().mapping;
    }
    kept.erase(it);
    break;
  }
  auto mapping = std::make_shared<FileMapping>();
  if (!mapping->Open(path) || !mapping->Map()) return nullptr;
  kept.push_front({path, info.st_dev, info.st_ino, mapping});
  if (kept.size() > kKeptMappings) kept.pop_back();
  return mapping;
}

void ForgetMappings() {
  std::lock_guard guard(keptMutex);
  Kept().clear();
}

}  // namespace vendrel
