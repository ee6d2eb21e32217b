#pragma once

#include "items/section_item.h"

namespace vendrel {

// "Lost and found" below a database's root: the records and the texts its trees do not reach, found by
// their own RAs (see dbx/lost_and_found.h), as items of their own with their rows and saves. Shown only
// where the file holds any.
class LostAndFoundItem : public DbItem {
 public:
  static constexpr uint32_t kNoStructure = 0xFFFFFFFF;  // its RA: it stands for no structure of the file

  explicit LostAndFoundItem(ExplorerItem* parent);

  // Shows the item when the file holds anything its trees do not reach; false when it holds nothing.
  bool Load(const DbStore& store, bool update);

  bool Expand() override;
  bool Explore() override;
  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;
  bool Save() override;
  // Every message found into the folder "<name> (recovered)" (and "... (recovered, partial)") below
  // directory.
  bool SaveDefault(const std::string& directory, bool showMessages) override;

 protected:
  ~LostAndFoundItem() override = default;
};

// A text no record owns, "Text at %08X" (and "(partial)" when it is cut short): its blocks below it as a
// message's are, and saves of its own.
class FoundTextItem : public SectionItem {
 public:
  FoundTextItem(ExplorerItem* parent, uint32_t firstBlockRa, bool partial);

  bool Load(const DbStore& store, bool update);

  bool GetDisplayInfo(DisplayInfo& info) override;
  bool IsCommandEnabled(int command) override;
  bool Refresh() override;
  bool Save() override;
  bool SaveDefault(const std::string& directory, bool showMessages) override;

  const bool partial;

 protected:
  ~FoundTextItem() override = default;
};

}  // namespace vendrel
