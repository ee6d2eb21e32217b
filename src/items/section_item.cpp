#include "items/section_item.h"

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "items/command_ids.h"
#include "items/image_indexes.h"
#include "platform/format.h"

namespace vendrel {

namespace {

// The block, when the file is a message database and the block still validates.
std::optional<dbx::TextBlock> BlockOf(const DbStore& store, uint32_t ra) {
  if (!dbx::IsMessageDatabase(&store)) return std::nullopt;
  return dbx::TextBlockAt(store, ra);
}

}  // namespace

SectionItem::SectionItem(ExplorerItem* parent, uint32_t blockRa) : DbItem(parent, blockRa) {
  image = kImageSection;
}

bool SectionItem::LoadSection(const DbStore& store, bool update) {
  const std::optional<dbx::TextBlock> block = BlockOf(store, ra);
  if (!block) return false;
  caption = Format("Section %08X %u byte(s)", ra, block->used);
  // Without a node nothing holds the item: the creator must release it.
  return InsertTreeNode(update) != kNoTreeNode;
}

bool SectionItem::Expand() {
  DeleteTreeChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::TextBlock> block = BlockOf(store, ra);
  if (!block) return false;
  if (block->next != 0) {
    ShowNewItem<SectionItem>([&](SectionItem& next) { return next.LoadSection(store, false); }, this,
                             block->next);
  }
  return true;
}

bool SectionItem::Explore() {
  ListChildren();
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::TextBlock> block = BlockOf(store, ra);
  ListView* list = FindListView();
  if (!block || list == nullptr) return false;
  AppendFieldRow(list, "RA", "", Format("%08X", ra), "Relative address of this struct");
  AppendFieldRow(list, "Allocated", "", Format("%08X byte(s)", block->allocated), "This section");
  AppendFieldRow(list, "Used", "", Format("%08X byte(s)", block->used), "This section");
  AppendFieldRow(list, "RA next section", "", Format("%08X", block->next), "Relative address of next struct");
  return true;
}

bool SectionItem::GetDisplayInfo(DisplayInfo& info) {
  DbStore store;
  if (!OpenStore(store)) return false;
  const std::optional<dbx::TextBlock> block = BlockOf(store, ra);
  if (!block) return false;
  return AnswerDisplayInfo(
      info, image,
      {"Section", Format("%08X", ra), Format("%d byte(s)", static_cast<int>(block->used)),
       Format("%08X", block->allocated)});
}

bool SectionItem::IsCommandEnabled(int command) {
  return command == kCmdSave || command == kCmdRefresh;
}

bool SectionItem::Refresh() {
  DbStore store;
  return OpenStore(store) && (LoadSection(store, true) || NotValid("text block"));
}

}  // namespace vendrel
