#pragma once

#include "items/explorer_item.h"

namespace vendrel {

// One entry of the header's table of index roots: the index-heap descriptor at 0x30 ("Indexes heap") or
// index slot k at 0xE4 + 4k. Its ra is that header offset; expanding it shows the node it points to.
class IndexTableItem : public DbItem {
 public:
  IndexTableItem(ExplorerItem* parent, uint32_t offset);

  // Fails for an empty slot. With show, gives the item its caption and image and its tree node.
  bool LoadSlot(const DbStore& store, bool show, bool update);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;

 protected:
  ~IndexTableItem() override = default;
};

}  // namespace vendrel
