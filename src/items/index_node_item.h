#pragma once

#include "export/message_saves.h"
#include "items/explorer_item.h"

namespace vendrel {

// One node of an index tree, shown as "Index %08X"; expanding it shows its left child, its records and
// its other children in tree order.
class IndexNodeItem : public DbItem {
 public:
  IndexNodeItem(ExplorerItem* parent, uint32_t nodeRa);

  // Fails when the node does not validate. With show, captions the item and inserts (or updates) its
  // node; a left child gets image 9.
  bool LoadNode(const DbStore& store, bool show, bool update, bool asLeftChild);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;
  bool Save() override;
  // Saves the messages of this node's own entries.
  bool SaveDefault(const std::string& directory, bool showMessages) override;

  // Saves the messages of the node's entries (with recurse, of its whole subtree in tree order) into the
  // folder directory under directory; the number saved, or -1 when the node does not validate.
  int SaveSubtree(const DbStore& store, const std::string& directory, bool recurse);
  SaveCount SaveRecords(const DbStore& store, const std::string& directory, bool recurse);

 protected:
  ~IndexNodeItem() override = default;
};

}  // namespace vendrel
