#pragma once

#include <string>
#include <vector>

#include "dbx/header.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"

namespace vendrel::testsupport {

// The record RAs of a tree in tree order, as the program's walk yields them.
inline std::vector<uint32_t> TreeOrder(const DbStore& store, uint32_t root, dbx::WalkEnd* end = nullptr) {
  std::vector<uint32_t> records;
  const dbx::WalkEnd result =
      dbx::WalkIndexTree(store, root, [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
        records.push_back(ra);
        return false;
      });
  if (end != nullptr) *end = result;
  return records;
}

// The raw display names of the records of index slot k in tree order.
inline std::vector<std::string> NamesInOrder(const DbStore& store, int k) {
  std::vector<std::string> names;
  for (const uint32_t ra : TreeOrder(store, store.ReadU32(dbx::RootSlot(k)).value_or(0))) {
    names.emplace_back(dbx::GetDisplayName(store, ra).value_or("?"));
  }
  return names;
}

}  // namespace vendrel::testsupport
