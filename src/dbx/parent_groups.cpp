#include "dbx/parent_groups.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_walk.h"
#include "platform/write_faults.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kTreeFieldsLength = RootSlot(kIndexSlotCount - 1) + 4 - CountSlot(0);

// The file's stamp alone may miss a change made within the tick of its clock: the trees' roots and
// counts in the header, and this program's own writes, are part of what must stay as it was.
struct Key {
  FileStamp stamp;
  uint32_t treeRoot;
  std::array<uint8_t, kTreeFieldsLength> treeFields;
  uint64_t writes;
  bool operator==(const Key&) const = default;
};

struct Groups {
  Key key;
  std::unordered_map<uint32_t, std::vector<uint32_t>> byParent;
};

std::unordered_map<uint32_t, std::vector<uint32_t>> Group(const DbStore& store, uint32_t treeRoot) {
  std::unordered_map<uint32_t, std::vector<uint32_t>> byParent;
  WalkIndexTree(store, treeRoot, [&](const IndexNode&, unsigned, uint32_t recordRa) {
    if (const std::optional<uint32_t> key = IndexCursor::ParentKey(store, recordRa)) {
      byParent[*key].push_back(recordRa);
    }
    return false;
  });
  return byParent;
}

}  // namespace

std::vector<uint32_t> RecordsUnderParent(const DbStore& store, uint32_t treeRoot, uint32_t parentKey) {
  static std::optional<Groups> kept;
  const std::optional<FileStamp> stamp = store.mapping() != nullptr ? store.mapping()->Stamp() : std::nullopt;
  const uint8_t* fields = store.At(CountSlot(0), kTreeFieldsLength);
  if (!stamp || fields == nullptr) {
    auto groups = Group(store, treeRoot);
    return groups[parentKey];
  }
  Key key{*stamp, treeRoot, {}, WritesSoFar()};
  std::copy(fields, fields + kTreeFieldsLength, key.treeFields.begin());
  if (!kept || !(kept->key == key)) kept = Groups{key, Group(store, treeRoot)};
  const auto it = kept->byParent.find(parentKey);
  return it != kept->byParent.end() ? it->second : std::vector<uint32_t>{};
}

}  // namespace vendrel::dbx
