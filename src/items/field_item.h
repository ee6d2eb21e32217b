#pragma once

#include <optional>

#include "items/explorer_item.h"

namespace vendrel {

// One property entry of a record, made only while the record's Explore builds the entry's row. Its ra is
// the entry's RA (record RA + 12 + 4 x index); it also knows where the record's data area starts.
class FieldItem : public DbItem {
 public:
  FieldItem(ExplorerItem* parent, uint32_t entryRa, uint32_t dataAreaRa);

  bool IsValidField(const DbStore& store) const;
  std::optional<std::string> GetNameText(const DbStore& store) const;
  std::optional<std::string> GetValueText(const DbStore& store) const;
  // The description column of a property stays empty.
  std::optional<std::string> GetDescriptionText(const DbStore&) const { return std::nullopt; }

  // Never a node of the tree: nothing to expand or to show in the list.
  bool Expand() override { return true; }
  bool Explore() override { return true; }
  bool GetDisplayInfo(DisplayInfo&) override { return true; }
  bool IsCommandEnabled(int) override { return false; }

 protected:
  ~FieldItem() override = default;

 private:
  std::optional<uint32_t> Entry(const DbStore& store) const;

  uint32_t dataAreaRa_;
};

}  // namespace vendrel
