#pragma once

#include "items/explorer_item.h"

namespace vendrel {

// One text block of a message, "Section %08X %d byte(s)"; expanding it shows the next block, so a chain
// is a path one level deeper per block, followed only as far as the user goes.
class SectionItem : public DbItem {
 public:
  SectionItem(ExplorerItem* parent, uint32_t blockRa);

  bool LoadSection(const DbStore& store, bool update);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;

 protected:
  ~SectionItem() override = default;
};

}  // namespace vendrel
